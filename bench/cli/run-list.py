#!/usr/bin/python3
# Times `parcelbook-cli list` and `list --json` against the sqlcipher shell running the same SELECT.
"""Usage: run-list.py BUILD_DIR [--runs N] [--parcels N [N ...]] [--baseline FOLDER]

Builds nothing: BUILD_DIR must hold a built tree (bin/parcelbook-cli, bin/db/parcelbook.mdb and
bench/startup/parcelbook-fill-book). For each book size a program folder is filled with generated
parcels, then these run interleaved, each writing to /dev/null:
  sqlcipher-select  the sqlcipher shell, keyed, running the list's SELECT (its plain list output);
  sqlcipher-json    the shell building each row's JSON object text in the SELECT itself;
  list, list-json   parcelbook-cli list and list --json.
Each is reported by its median wall time and peak RSS (the process's ru_maxrss, read by GNU time). --baseline names a
folder holding an older parcelbook-cli: its output must be byte-identical, and it is timed too.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
from bookfolder import make_program_folder, require  # noqa: E402

KEY = 'Q7!m#2@pX9$k&4Lr*8Zn'
TIME = '/usr/bin/time'
SELECT = 'SELECT id, number, company, goods, num FROM parcelbook ORDER BY id;'


def quoted(column):
    return f"'\"' || replace(replace({column}, '\\', '\\\\'), '\"', '\\\"') || '\"'"


JSON_SELECT = ("SELECT '{\"company\": ' || " + quoted('company') + " || ', \"count\": ' || CAST(num AS INTEGER)"
               " || ', \"goods\": ' || " + quoted('goods') + " || ', \"id\": ' || id || ', \"number\": ' || "
               + quoted('number') + " || '},' FROM parcelbook ORDER BY id;")


def run_once(command, env, script):
    """One whole process: (wall s, peak RSS KiB). GNU time starts it and reads its peak RSS, so the
    figure is the program's own and not that of this script's memory, which a spawned child starts in."""
    with tempfile.TemporaryFile() as said, tempfile.TemporaryFile() as given, \
            tempfile.NamedTemporaryFile(mode='r') as peak, open(os.devnull, 'wb') as sink:
        given.write(script.encode() if script else b'')
        given.seek(0)
        started = time.perf_counter()
        status = subprocess.run([TIME, '-f', '%M', '-o', peak.name] + command, env=env, stdin=given,
                                stdout=sink, stderr=said).returncode
        wall = time.perf_counter() - started
        said.seek(0)
        text = said.read().decode(errors='replace')
        rss = int(peak.read().split()[-1])
    if status != 0 or text.strip():
        sys.exit(f'{command} failed:\n{text}')
    return wall, rss


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('build')
    parser.add_argument('--runs', type=int, default=11)
    parser.add_argument('--parcels', type=int, nargs='+', default=[10000, 100000])
    parser.add_argument('--baseline', help='folder holding an older parcelbook-cli')
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    shell = shutil.which('sqlcipher') or sys.exit('no sqlcipher shell: scripts/install-deps installs it')
    require(TIME)
    clis = [('', require(os.path.join(build, 'bin', 'parcelbook-cli')))]
    if args.baseline:
        clis.append(('baseline-', require(os.path.join(os.path.abspath(args.baseline), 'parcelbook-cli'))))

    folders = []
    runs = []  # (size, name, command, environment, stdin script)
    try:
        for parcels in args.parcels:
            folder, book, _ = make_program_folder(build, parcels, 'parcelbook-list-')
            folders.append(folder)
            env = dict(os.environ, PARCELBOOK_PROGRAM_DIR=folder)
            runs.append((parcels, 'sqlcipher-select', [shell, book], env, f"PRAGMA key = '{KEY}';\n{SELECT}\n"))
            runs.append((parcels, 'sqlcipher-json', [shell, book], env, f"PRAGMA key = '{KEY}';\n{JSON_SELECT}\n"))
            for prefix, cli in clis:
                runs.append((parcels, prefix + 'list', [cli, 'list'], env, None))
                runs.append((parcels, prefix + 'list-json', [cli, 'list', '--json'], env, None))
            if args.baseline:
                # The output stays byte for byte what the older build wrote.
                for arguments in (['list'], ['list', '--json']):
                    outputs = [subprocess.run([cli] + arguments, env=env, check=True, capture_output=True).stdout
                               for _, cli in clis]
                    if outputs[0] != outputs[1]:
                        sys.exit(f'{" ".join(arguments)} at {parcels} parcels differs from the baseline')
                print(f'{parcels} parcels: list and list --json byte-identical to the baseline')
        for _, _, command, env, script in runs:
            run_once(command, env, script)
        load_before = os.getloadavg()
        samples = {(size, name): [] for size, name, _, _, _ in runs}
        for _ in range(args.runs):
            for size, name, command, env, script in runs:
                samples[(size, name)].append(run_once(command, env, script))
        load_after = os.getloadavg()
    finally:
        for folder in folders:
            shutil.rmtree(folder)

    print(f'list to /dev/null: {args.runs} interleaved runs, medians; load average '
          f'{load_before[0]:.2f} before, {load_after[0]:.2f} after')
    for parcels in args.parcels:
        print(f'\n{parcels} parcels')
        print(f'{"program":<22}{"wall ms":>10}{"peak RSS MiB":>15}')
        medians = {}
        for (size, name), rows in samples.items():
            if size == parcels:
                medians[name] = [statistics.median(column) for column in zip(*rows)]
                print(f'{name:<22}{medians[name][0] * 1000:>10.1f}{medians[name][1] / 1024:>15.1f}')
        select = medians['sqlcipher-select'][0]
        for prefix, _ in clis:
            print(f'{prefix}list at {parcels}: {medians[prefix + "list"][0] / select:.2f}x sqlcipher-select; '
                  f'{prefix}list-json: {medians[prefix + "list-json"][0] / select:.2f}x sqlcipher-select, '
                  f'{medians[prefix + "list-json"][0] / medians["sqlcipher-json"][0]:.2f}x sqlcipher-json')


if __name__ == '__main__':
    main()
