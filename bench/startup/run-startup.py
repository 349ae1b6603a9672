#!/usr/bin/python3
# Times the real program's start-up to its first painted window against the bare anchor window.
"""Usage: run-startup.py BUILD_DIR [--runs N] [--parcels N] [--baseline FOLDER]

Builds nothing: BUILD_DIR must hold a built tree (bin/parcelbook, bin/db/parcelbook.mdb and
bench/startup/). Every process is started with the first-paint helper preloaded, offscreen, and
ends right after its first frame. --baseline names a folder holding an older parcelbook executable,
timed in the same rounds, so two builds can be compared on one machine in one session.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

CLOSED_HTTP = 'http://127.0.0.1:9'
SERVICE_VARIABLES = ['PARCELBOOK_TRACKING_URL', 'PARCELBOOK_RECOGNITION_URL', 'PARCELBOOK_SITE_URL',
                     'PARCELBOOK_MAKER_URL', 'PARCELBOOK_TIME_URL', 'PARCELBOOK_PROBE_URL']


def require(path):
    if not os.path.exists(path):
        sys.exit(f'missing {path}: build the tree first')
    return path


def make_program_folder(build, parcels):
    folder = tempfile.mkdtemp(prefix='parcelbook-startup-')
    os.mkdir(os.path.join(folder, 'db'))
    book = os.path.join(folder, 'db', 'parcelbook.mdb')
    shutil.copyfile(require(os.path.join(build, 'bin', 'db', 'parcelbook.mdb')), book)
    filled = subprocess.run([require(os.path.join(build, 'bench', 'startup', 'parcelbook-fill-book')), book,
                             str(parcels)], check=True, capture_output=True, text=True)
    # The check runs on a worker after the first paint; its cost is reported beside the start-up.
    print(filled.stdout.strip())
    return folder


def run_once(command, env):
    """One whole process: (wall s, cpu s, peak RSS KiB, what the helper said on stderr)."""
    with tempfile.TemporaryFile() as said:
        started = time.perf_counter()
        process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=said)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
        process.returncode = os.waitstatus_to_exitcode(status)
        said.seek(0)
        text = said.read().decode(errors='replace')
    if process.returncode != 0 or 'first paint:' not in text:
        sys.exit(f'{command[0]} did not reach its first paint (exit {process.returncode}):\n{text}')
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, text


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('build')
    parser.add_argument('--runs', type=int, default=21)
    parser.add_argument('--parcels', type=int, default=10000)
    parser.add_argument('--baseline', help='folder holding an older parcelbook executable')
    args = parser.parse_args()
    build = os.path.abspath(args.build)

    programs = [('anchor', [require(os.path.join(build, 'bench', 'startup', 'parcelbook-startup-anchor'))]),
                ('parcelbook', [require(os.path.join(build, 'bin', 'parcelbook'))])]
    if args.baseline:
        programs.append(('baseline', [require(os.path.join(os.path.abspath(args.baseline), 'parcelbook'))]))
    helper = require(os.path.join(build, 'bench', 'startup', 'libparcelbook-first-paint-exit.so'))

    folder = make_program_folder(build, args.parcels)
    env = dict(os.environ)
    env.update({'QT_QPA_PLATFORM': 'offscreen', 'LD_PRELOAD': helper, 'PARCELBOOK_PROGRAM_DIR': folder,
                'PARCELBOOK_SMTP_URL': 'smtp://127.0.0.1:9'})
    env.update({name: CLOSED_HTTP for name in SERVICE_VARIABLES})
    try:
        for name, command in programs:
            said = run_once(command, env)[3]
            # The real programs must paint their main window, not a message about the book.
            if name != 'anchor' and 'MainWindow' not in said:
                sys.exit(f'{name} painted something else first: {said.strip()}')
        samples = {name: [] for name, _ in programs}
        # Interleaved, so a slow spell of the machine falls on every program alike.
        for _ in range(args.runs):
            for name, command in programs:
                samples[name].append(run_once(command, env)[:3])
    finally:
        shutil.rmtree(folder)

    medians = {name: [statistics.median(column) for column in zip(*rows)] for name, rows in samples.items()}
    print(f'start-up to first paint: {args.parcels} parcels, {args.runs} interleaved runs, offscreen, medians')
    print(f'{"program":<12}{"wall ms":>10}{"cpu ms":>10}{"peak RSS MiB":>15}')
    for name, (wall, cpu, rss) in medians.items():
        print(f'{name:<12}{wall * 1000:>10.1f}{cpu * 1000:>10.1f}{rss / 1024:>15.1f}')
    anchor = medians['anchor']
    for name, values in medians.items():
        if name != 'anchor':
            ratios = [value / base for value, base in zip(values, anchor)]
            print(f'{name}/anchor: wall {ratios[0]:.2f}x  cpu {ratios[1]:.2f}x  peak RSS {ratios[2]:.2f}x')


if __name__ == '__main__':
    main()
