#!/usr/bin/env python3
# Fails when folders under src/ include each other in a cycle, directly or through other folders; when
# two rooms (a header and its source, one name) use each other's names in a circle; or when a file
# grows past the lines a reader can hold.
import io, re, sys, tempfile
from collections import deque
from contextlib import redirect_stdout
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def folder_graph(src):
    """Returns {folder: {dep: 'file:line' of the first include making that edge}}."""
    folders = sorted(p.name for p in src.iterdir() if p.is_dir())
    graph = {f: {} for f in folders}
    for path in sorted(src.rglob('*')):
        rel = path.relative_to(src)
        if path.suffix not in ('.h', '.cpp') or len(rel.parts) < 2:
            continue
        own = rel.parts[0]
        for num, line in enumerate(path.read_text(errors='replace').splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            dep = m.group(1).split('/')[0]
            if dep in graph and dep != own:
                graph[own].setdefault(dep, f'{rel.as_posix()}:{num}')
    return graph


def room_graph(src):
    """Returns {room: {dep: 'file:line'}}, a room being a header and its source: 'store/BookFile'."""
    graph = {}
    for path in sorted(src.rglob('*')):
        rel = path.relative_to(src)
        if path.suffix not in ('.h', '.cpp') or len(rel.parts) < 2:
            continue
        own = rel.with_suffix('').as_posix()
        edges = graph.setdefault(own, {})
        for num, line in enumerate(path.read_text(errors='replace').splitlines(), 1):
            m = INCLUDE.match(line)
            if m and m.group(1).endswith('.h') and m.group(1)[:-2] != own:
                edges.setdefault(m.group(1)[:-2], f'{rel.as_posix()}:{num}')
    for edges in graph.values():
        for dep in [d for d in edges if d not in graph]:
            del edges[dep]
    return graph


def too_long(src, most):
    return [(p.relative_to(src).as_posix(), n) for p in sorted(src.rglob('*'))
            if p.suffix in ('.h', '.cpp') and (n := len(p.read_text(errors='replace').splitlines())) > most]


def shortest_path(graph, start, goal):
    prev, todo = {start: None}, deque([start])
    while todo:
        node = todo.popleft()
        if node == goal:
            path = []
            while node is not None:
                path.append(node)
                node = prev[node]
            return path[::-1]
        for nxt in sorted(graph[node]):
            if nxt not in prev:
                prev[nxt] = node
                todo.append(nxt)
    return None


def find_cycles(graph):
    """One shortest cycle through every edge that lies on a cycle, each listed once."""
    cycles, seen = [], set()
    for a in sorted(graph):
        for b in sorted(graph[a]):
            back = shortest_path(graph, b, a)
            if back is None:
                continue
            cycle = [a] + back  # a -> b -> ... -> a
            ring = cycle[:-1]
            i = ring.index(min(ring))
            key = tuple(ring[i:] + ring[:i])
            if key not in seen:
                seen.add(key)
                cycles.append(list(key) + [key[0]])
    return cycles


MOST_LINES = 400


def check(src):
    failed = 0
    rooms = room_graph(Path(src))
    for cycle in find_cycles(rooms):
        failed = 1
        print('\nrooms in a circle: ' + ' -> '.join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            print(f'  {a} -> {b}: {rooms[a][b]}')
    for name, lines in too_long(Path(src), MOST_LINES):
        failed = 1
        print(f'{name}: {lines} lines, more than {MOST_LINES}: cut it by job')
    graph = folder_graph(Path(src))
    for f in sorted(graph):
        print(f'{f} -> {", ".join(sorted(graph[f])) or "(none)"}')
    cycles = find_cycles(graph)
    for cycle in cycles:
        print('\ninclude cycle: ' + ' -> '.join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            print(f'  {a} -> {b}: {graph[a][b]}')
    if not cycles:
        print('no include cycle between folders')
    return 1 if cycles else failed


def run_on(files):
    """Builds a throwaway src tree and returns (exit code, output, cycles)."""
    with tempfile.TemporaryDirectory() as tmp:
        for name, text in files.items():
            (Path(tmp) / name).parent.mkdir(parents=True, exist_ok=True)
            (Path(tmp) / name).write_text(text)
        out = io.StringIO()
        with redirect_stdout(out):
            code = check(tmp)
        return code, out.getvalue(), find_cycles(folder_graph(Path(tmp)))


def self_test():
    code, out, cycles = run_on({
        'app/main.cpp': '#include "ui/Window.h"\n#include "store/Db.h"\n',
        'ui/Window.h': '#include "store/Db.h"\n',
        'store/Db.h': '#include <QString>\n'})
    assert code == 0 and cycles == [], out
    assert 'app -> store, ui\n' in out and 'store -> (none)\n' in out, out
    assert 'no include cycle between folders' in out, out

    code, out, cycles = run_on({
        'a/A.h': '#pragma once\n#include "b/B.h"\n',
        'b/B.cpp': '#include "b/B.h"\n\n#include "a/A.h"\n'})
    assert code == 1 and cycles == [['a', 'b', 'a']], out
    assert 'a -> b: a/A.h:2' in out and 'b -> a: b/B.cpp:3' in out, out

    code, out, cycles = run_on({
        'a/A.h': '#include "b/B.h"\n',
        'b/B.h': '#include "c/C.h"\n',
        'c/C.cpp': '#include <vector>\n#include "a/A.h"\n',
        'd/D.h': '#include "a/A.h"\n'})
    assert code == 1 and cycles == [['a', 'b', 'c', 'a']], out
    assert 'include cycle: a -> b -> c -> a' in out and 'c -> a: c/C.cpp:2' in out, out
    assert 'd ->' not in out.split('include cycle')[1], out

    # Same-folder, angle-bracket and non-folder includes never make an edge.
    code, out, cycles = run_on({
        'a/A.h': '#include "a/Other.h"\n#include "Local.h"\n#include <b/B.h>\n#include "gen/x.h"\n',
        'a/Other.h': '', 'b/B.h': '#include "a/A.h"\n'})
    assert code == 0 and cycles == [], out
    assert 'a -> (none)\n' in out and 'b -> a\n' in out, out
    # Two rooms of one folder that use each other's names are a circle; a header and its own source
    # are one room.
    code, out, cycles = run_on({
        'a/A.h': '#pragma once\n', 'a/A.cpp': '#include "a/A.h"\n#include "a/B.h"\n',
        'a/B.h': '#pragma once\n', 'a/B.cpp': '#include "a/B.h"\n#include "a/A.h"\n'})
    assert code == 1 and cycles == [], out
    assert 'rooms in a circle: a/A -> a/B -> a/A' in out and 'a/B -> a/A: a/B.cpp:2' in out, out

    code, out, cycles = run_on({'a/Long.cpp': 'x\n' * (MOST_LINES + 1), 'a/Short.h': 'x\n' * MOST_LINES})
    assert code == 1 and f'a/Long.cpp: {MOST_LINES + 1} lines' in out and 'Short' not in out, out
    print('self-test passed')
    return 0


if __name__ == '__main__':
    if sys.argv[1:] == ['--self-test']:
        sys.exit(self_test())
    if len(sys.argv) != 2:
        sys.exit('usage: check_include_graph.py SRC_DIR | --self-test')
    sys.exit(check(sys.argv[1]))
