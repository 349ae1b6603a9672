#!/usr/bin/env python3
"""Each command's options in a program's --help are the options its man page gives that command, and
every option the man page names is described under OPTIONS."""
import re
import subprocess
import sys

LONG = re.compile(r"--[a-z][a-z-]*")


def help_options(program):
    """{command: options} from the usage lines of --help and the lines indented under each."""
    text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True,
                          env={"QT_QPA_PLATFORM": "offscreen", "LANG": "C.UTF-8"}).stdout
    name = program.rsplit("/", 1)[-1]
    commands, current = {}, None
    for line in text.splitlines():
        if line.startswith("  " + name):
            words = line.split()
            current = words[1] if len(words) > 1 and not words[1].startswith("-") else ""
            commands.setdefault(current, set()).update(LONG.findall(line))
        elif current is not None and line.startswith("      "):
            commands[current].update(LONG.findall(line))
        elif current is not None:
            current = None
    if not commands:  # a program without commands lists its options alone
        commands[""] = set(LONG.findall(text))
    return commands


def man_options(page, name):
    """({command: options} from the SYNOPSIS, the options described under OPTIONS)."""
    text = open(page, encoding="utf-8").read().replace("\\-", "-")
    synopsis = text.split(".SH SYNOPSIS", 1)[1].split(".SH ", 1)[0]
    commands = {}
    for block in synopsis.split(".br"):
        match = re.search(r"\.B " + re.escape(name) + r"(?: ([a-z]+))?", block)
        if match:
            commands.setdefault(match.group(1) or "", set()).update(LONG.findall(block))
    options = text.split(".SH OPTIONS", 1)[1].split(".SH ", 1)[0]
    described = set()
    for item in options.split(".TP")[1:]:
        described.update(LONG.findall(item.strip().splitlines()[0]))
    return commands, described


def main():
    failures = []
    for program, page in zip(sys.argv[1::2], sys.argv[2::2]):
        name = program.rsplit("/", 1)[-1]
        helped = help_options(program)
        synopsis, described = man_options(page, name)
        for command in sorted(set(helped) | set(synopsis)):
            said, written = helped.get(command, set()), synopsis.get(command, set())
            if said != written:
                failures.append(f"{name} {command or '(no command)'}: --help {sorted(said)}, "
                                f"man page {sorted(written)}")
        for option in sorted(set().union(*helped.values()) - described):
            failures.append(f"{name}: {option} is not described under OPTIONS in {page}")
    print("\n".join(failures) or "every option in --help is in the man pages")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
