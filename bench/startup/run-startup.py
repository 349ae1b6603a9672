#!/usr/bin/python3
# Times the real program's start-up to its first painted window and to a usable window, against the
# bare anchor window.
"""Usage: run-startup.py BUILD_DIR [--runs N] [--parcels N [N ...]] [--baseline FOLDER]

Builds nothing: BUILD_DIR must hold a built tree (bin/parcelbook, bin/db/parcelbook.mdb and
bench/startup/). Every process is started with the first-paint helper preloaded, offscreen. Two end
points are timed from the moment the process is started:
  first paint  the first frame of the first window;
  usable       the picker (Text1) lists every parcel and is enabled, and the window takes input.
The phases before them are printed too: the application object made (the libraries loaded and
started) and the first window shown (built, not yet painted).
The anchor for the first paint is the bare window with an empty combo; the anchor for usable is the
same window whose combo is filled with the same goods texts. Every book size and program is run in
the same rounds, interleaved. --baseline names a folder holding an older parcelbook executable,
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

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
from bookfolder import make_program_folder, require  # noqa: E402

CLOSED_HTTP = 'http://127.0.0.1:9'
SERVICE_VARIABLES = ['PARCELBOOK_TRACKING_URL', 'PARCELBOOK_RECOGNITION_URL', 'PARCELBOOK_SITE_URL',
                     'PARCELBOOK_MAKER_URL', 'PARCELBOOK_TIME_URL', 'PARCELBOOK_PROBE_URL']


def moment(text, label):
    for line in text.splitlines():
        if line.startswith(label):
            return int(line.rsplit(' at ', 1)[1])
    return None


def run_once(command, env):
    """One whole process: (first paint s, usable s or None, cpu s, peak RSS KiB, stderr, phases s)."""
    with tempfile.TemporaryFile() as said:
        started = time.monotonic_ns()
        process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=said)
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        said.seek(0)
        text = said.read().decode(errors='replace')
    painted = moment(text, 'first paint: ')
    usable = moment(text, 'usable: ')
    wanted_usable = 'PARCELBOOK_USABLE_PARCELS' in env
    if process.returncode != 0 or painted is None or (wanted_usable and usable is None):
        sys.exit(f'{command[0]} did not reach its end point (exit {process.returncode}):\n{text}')
    phases = [(moment(text, label) - started) / 1e9 for label in ('application: ', 'shown: ')]
    return ((painted - started) / 1e9, (usable - started) / 1e9 if usable else None, usage.ru_utime + usage.ru_stime,
            usage.ru_maxrss, text, phases)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('build')
    parser.add_argument('--runs', type=int, default=15)
    parser.add_argument('--parcels', type=int, nargs='+', default=[10000, 100000])
    parser.add_argument('--baseline', help='folder holding an older parcelbook executable')
    args = parser.parse_args()
    build = os.path.abspath(args.build)

    anchor = require(os.path.join(build, 'bench', 'startup', 'parcelbook-startup-anchor'))
    real = [('parcelbook', require(os.path.join(build, 'bin', 'parcelbook')))]
    if args.baseline:
        real.append(('baseline', require(os.path.join(os.path.abspath(args.baseline), 'parcelbook'))))
    helper = require(os.path.join(build, 'bench', 'startup', 'libparcelbook-first-paint-exit.so'))

    base_env = dict(os.environ)
    base_env.update({'QT_QPA_PLATFORM': 'offscreen', 'LD_PRELOAD': helper,
                     'PARCELBOOK_SMTP_URL': 'smtp://127.0.0.1:9'})
    base_env.update({name: CLOSED_HTTP for name in SERVICE_VARIABLES})
    folders = []
    try:
        # (size, name, command, environment)
        runs = []
        for parcels in args.parcels:
            folder, _, filled = make_program_folder(build, parcels, 'parcelbook-startup-', 'goods.txt')
            goods = os.path.join(folder, 'goods.txt')
            # The check runs on a worker after the first paint; its cost is reported beside the start-up.
            print(filled)
            folders.append(folder)
            env = dict(base_env, PARCELBOOK_PROGRAM_DIR=folder)
            usable_env = dict(env, PARCELBOOK_USABLE_PARCELS=str(parcels))
            runs.append((parcels, 'anchor-bare', [anchor], env))
            runs.append((parcels, 'anchor-filled', [anchor, goods], usable_env))
            runs += [(parcels, name, [program], usable_env) for name, program in real]
        for parcels, name, command, env in runs:
            said = run_once(command, env)[4]
            # The real programs must paint their main window, not a message about the book.
            if not name.startswith('anchor') and 'first paint: MainWindow' not in said:
                sys.exit(f'{name} painted something else first: {said.strip()}')
        load_before = os.getloadavg()
        samples = {(parcels, name): [] for parcels, name, _, _ in runs}
        # Interleaved, so a slow spell of the machine falls on every program and size alike.
        for _ in range(args.runs):
            for parcels, name, command, env in runs:
                said = run_once(command, env)
                samples[(parcels, name)].append(said[:4] + tuple(said[5]))
        load_after = os.getloadavg()
    finally:
        for folder in folders:
            shutil.rmtree(folder)

    def median(rows, column):
        values = [row[column] for row in rows if row[column] is not None]
        return statistics.median(values) if values else None

    print(f'start-up: {args.runs} interleaved runs, offscreen, medians; load average '
          f'{load_before[0]:.2f} before, {load_after[0]:.2f} after')
    for parcels in args.parcels:
        print(f'\n{parcels} parcels')
        print(f'{"program":<15}{"first paint ms":>16}{"usable ms":>12}{"cpu ms":>10}{"peak RSS MiB":>15}')
        medians = {}
        for (size, name), rows in samples.items():
            if size != parcels:
                continue
            medians[name] = [median(rows, column) for column in range(6)]
            paint, usable, cpu, rss = medians[name][:4]
            usable_text = f'{usable * 1000:.1f}' if usable is not None else '-'
            print(f'{name:<15}{paint * 1000:>16.1f}{usable_text:>12}{cpu * 1000:>10.1f}{rss / 1024:>15.1f}')
        for name, _ in real:
            paint, usable = medians[name][:2]
            print(f'{name} at {parcels}: first paint {paint / medians["anchor-bare"][0]:.2f}x the bare anchor, '
                  f'usable {usable / medians["anchor-filled"][1]:.2f}x the filled anchor')
            # The machine's speed drifts over a run, and the anchors with it: each round's ratio is taken
            # between processes started moments apart, and their median is printed beside.
            rounds = list(zip(samples[(parcels, name)], samples[(parcels, 'anchor-bare')],
                              samples[(parcels, 'anchor-filled')]))
            paint_ratio = statistics.median(ours[0] / bare[0] for ours, bare, _ in rounds)
            usable_ratio = statistics.median(ours[1] / filled[1] for ours, _, filled in rounds)
            print(f'{name} at {parcels}, round by round: first paint {paint_ratio:.2f}x the bare anchor, '
                  f'usable {usable_ratio:.2f}x the filled anchor (medians of each round\'s ratio)')
        print(f'phases, medians in ms from the start of the process\n{"program":<15}{"application":>13}'
              f'{"shown":>8}{"first paint":>13}{"usable":>8}')
        for name, (paint, usable, _, _, application, shown) in medians.items():
            usable_text = f'{usable * 1000:.1f}' if usable is not None else '-'
            print(f'{name:<15}{application * 1000:>13.1f}{shown * 1000:>8.1f}{paint * 1000:>13.1f}{usable_text:>8}')


if __name__ == '__main__':
    main()
