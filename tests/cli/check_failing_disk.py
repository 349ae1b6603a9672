#!/usr/bin/env python3
"""A disk that fails one call at a time: `parcelbook-cli query --all` on a small book and a window start
with its copies, each run with the N-th write, flush, rename, link or create failing (ENOSPC or EIO, once
or from then on). After every run the book passes the engine's integrity check with every row, and the
run either did everything it says or ended saying why in Chinese (the command with a non-zero exit); it
never says "有更新" for a count the book did not keep, and no copy it leaves is damaged.

By default a sample of N spread over the whole range (about 20 s); --full runs every N."""
import argparse
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile

BOOK_KEY = 'Q7!m#2@pX9$k&4Lr*8Zn'
PARCELS = [('7700112233445', '中通快递', '台灯'), ('9876543210123', '顺丰快递', '书'),
           ('4300000000001', '韵达快递', '鞋子'), ('SF1402345678901', '顺丰快递', '围巾')]
CALLS = 'write,fsync,rename,link,create'
# A reason the user is told: Chinese words of failure.
FAILURE_WORDS = ('失败', '出错', '没能', '无法', '磁盘已满', '磁盘读写出错', '损坏')
# The libraries' own words, which belong in log lines only.
LIBRARY_WORDS = ('disk is full', 'disk I/O error', 'No space left', 'Input/output error', 'database is locked',
                 'unable to open', 'database or disk')
# A log line: an English tag before the colon ("database: …", "file: …").
LOG_LINE = re.compile(r'^[A-Za-z][A-Za-z /-]*: ')
CJK = re.compile(r'[\u4e00-\u9fff]')


def sql(args, book, statements):
    done = subprocess.run([args.sqlcipher, book], input=f"PRAGMA key='{BOOK_KEY}'; {statements}",
                          capture_output=True, text=True, timeout=30)
    return done.stdout.strip()


def examine(args, book):
    """Whether the engine's integrity check passes with every parcel there, and the stored counts."""
    if not os.path.exists(book):
        return False, {}
    lines = sql(args, book, "PRAGMA integrity_check; SELECT number || '|' || num FROM parcelbook;").splitlines()
    counts = dict(line.split('|', 1) for line in lines[1:] if '|' in line)
    return lines[:1] == ['ok'] and len(counts) == len(PARCELS), counts


def user_lines(text):
    return [line for line in text.splitlines() if line.strip() and not LOG_LINE.match(line)]


def says_why(lines):
    return any(CJK.search(line) and any(word in line for word in FAILURE_WORDS) for line in lines)


def library_words_in(lines):
    return [line for line in lines if any(word in line for word in LIBRARY_WORDS)]


def claimed_new(out):
    """The numbers whose block on stdout says "有更新"."""
    claimed, number = set(), None
    for line in out.splitlines():
        if line.startswith('编号 '):
            number = line.split()[2]
        elif number and line.startswith('状态:') and '有更新' in line:
            claimed.add(number)
    return claimed


class Sweep:
    def __init__(self, args, work, port):
        self.args, self.work, self.port = args, work, port
        self.template = os.path.join(work, 'template')
        os.makedirs(os.path.join(self.template, 'db'))
        book = os.path.join(self.template, 'db', 'parcelbook.mdb')
        shutil.copyfile(args.book, book)
        values = ', '.join(f"('{number}', '{company}', '{goods}', '0')" for number, company, goods in PARCELS)
        sql(args, book, f'INSERT INTO parcelbook (number, company, goods, num) VALUES {values};')
        self.serial = 0
        self.runs = 0
        self.said = 0
        self.done = 0
        self.codes = collections.Counter()
        self.faults = []
        self.expected = None

    def folder(self):
        self.serial += 1
        path = os.path.join(self.work, f'run{self.serial}')
        shutil.copytree(self.template, path)
        os.makedirs(os.path.join(path, 'config'))
        return path

    def environment(self, folder, fault):
        env = {k: v for k, v in os.environ.items() if not k.startswith(('PARCELBOOK_', 'LD_PRELOAD'))}
        env.update(PARCELBOOK_PROGRAM_DIR=folder, PARCELBOOK_TRACKING_URL=f'http://127.0.0.1:{self.port}',
                   XDG_CONFIG_HOME=os.path.join(folder, 'config'), QT_QPA_PLATFORM='offscreen',
                   LD_PRELOAD=self.args.failing_disk, PARCELBOOK_FAULT_CALLS=CALLS,
                   PARCELBOOK_FAULT_UNDER=os.path.join(folder, 'db'),
                   PARCELBOOK_FAULT_REPORT=os.path.join(folder, 'calls'))
        # A sanitized build's runtime wants to come first; the preload goes before it here.
        env['ASAN_OPTIONS'] = ':'.join(filter(None, [env.get('ASAN_OPTIONS'), 'verify_asan_link_order=0']))
        if fault:
            at, error, sticky = fault
            env.update(PARCELBOOK_FAULT_AT=str(at), PARCELBOOK_FAULT_ERRNO=error,
                       PARCELBOOK_FAULT_STICKY='1' if sticky else '0')
        return env

    def calls(self, folder):
        with open(os.path.join(folder, 'calls')) as report:
            return int(report.read().split()[0])

    def fault(self, what, fault, problem, detail=''):
        self.faults.append(f'{what} {fault}: {problem}\n{detail}'.rstrip())

    def query_all(self, fault=None):
        folder = self.folder()
        book = os.path.join(folder, 'db', 'parcelbook.mdb')
        ran = subprocess.run([self.args.cli, 'query', '--all'], env=self.environment(folder, fault),
                             capture_output=True, text=True, timeout=120)
        self.runs += 1
        self.codes[f'query {ran.returncode}'] += 1
        detail = f'exit {ran.returncode}\nstdout:\n{ran.stdout}stderr:\n{ran.stderr}'
        told = user_lines(ran.stderr)
        whole, counts = examine(self.args, book)
        if not whole:
            self.fault('query', fault, 'the book is damaged or lost rows', detail)
            return folder
        if self.expected is None:
            self.expected = counts
        for number in claimed_new(ran.stdout):
            if counts.get(number) != self.expected.get(number):
                self.fault('query', fault, f'"有更新" for {number} whose count was not stored', detail)
        if library_words_in(told):
            self.fault('query', fault, 'the library\'s words told as the reason', detail)
        backup = os.path.join(folder, 'db', 'parcelbook.mdb.bak')
        if os.path.exists(backup) and not examine(self.args, backup)[0]:
            self.fault('query', fault, 'a damaged backup was left', detail)
        if ran.returncode == 0:
            self.done += 1
            if counts != self.expected:
                self.fault('query', fault, f'exit 0 but the counts are {counts}', detail)
            if not os.path.exists(backup) and not any('备份' in line for line in told):
                self.fault('query', fault, 'the backup was not kept and nothing said so', detail)
        elif says_why(told):
            self.said += 1
        else:
            self.fault('query', fault, 'a failure without a Chinese reason', detail)
        return folder

    def window_start(self, fault=None):
        folder = self.folder()
        book = os.path.join(folder, 'db', 'parcelbook.mdb')
        ran = subprocess.run([self.args.probe, folder, '--copies'], env=self.environment(folder, fault),
                             capture_output=True, text=True, timeout=120)
        self.runs += 1
        lines = ran.stdout.splitlines()
        started = bool(lines) and lines[0] == 'started'
        self.codes[f'window {"started" if started else "refused"}'] += 1
        detail = f'exit {ran.returncode}\nstdout:\n{ran.stdout}stderr:\n{ran.stderr}'
        told = [line.split(': ', 1)[1] for line in lines if line.startswith(('message: ', 'hint: '))]
        if not examine(self.args, book)[0]:
            self.fault('window', fault, 'the book is damaged or lost rows', detail)
            return folder
        if library_words_in(told):
            self.fault('window', fault, 'the library\'s words told as the reason', detail)
        backup = os.path.join(folder, 'db', 'parcelbook.mdb.bak')
        generations = os.path.join(folder, 'db', 'backups')
        copies = [backup] + ([os.path.join(generations, name) for name in os.listdir(generations)]
                             if os.path.isdir(generations) else [])
        kept = [copy for copy in copies if os.path.exists(copy)]
        for copy in kept:
            if not examine(self.args, copy)[0]:
                self.fault('window', fault, f'a damaged copy was left: {copy}', detail)
        if started and len(kept) == 2 and not says_why(told):
            self.done += 1
        elif says_why(told):
            self.said += 1
        else:
            self.fault('window', fault, 'the copies were not all kept and nothing said why', detail)
        return folder

    def sweep(self, run, faults):
        for fault in faults:
            run(fault)


def chosen(total, full, samples):
    """Every N with both errors, once and from then on; or a sample spread over the range."""
    cases = [(at, error, sticky) for at in range(1, total + 1) for error in ('ENOSPC', 'EIO')
             for sticky in (False, True)]
    if full or len(cases) <= samples:
        return cases
    step = len(cases) / samples
    return [cases[int(i * step)] for i in range(samples)]


def main():
    parser = argparse.ArgumentParser()
    for name in ('--cli', '--probe', '--demo-service', '--failing-disk', '--sqlcipher', '--book'):
        parser.add_argument(name, required=True)
    parser.add_argument('--full', action='store_true', help='every N instead of a sample')
    parser.add_argument('--query-samples', type=int, default=28)
    parser.add_argument('--window-samples', type=int, default=12)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix='failing-disk-')
    service = subprocess.Popen([args.demo_service, '--port', '0'], stdout=subprocess.PIPE, text=True)
    try:
        port = service.stdout.readline().strip().rsplit(':', 1)[1]
        sweep = Sweep(args, work, port)
        # Without a fault: everything is done, and the calls counted give the range to sweep.
        query_calls = sweep.calls(sweep.query_all())
        window_calls = sweep.calls(sweep.window_start())
        if sweep.faults or sweep.done != 2:
            print('\n\n'.join(['FAIL: the runs without a fault'] + sweep.faults))
            return 1
        sweep.sweep(sweep.query_all, chosen(query_calls, args.full, args.query_samples))
        sweep.sweep(sweep.window_start, chosen(window_calls, args.full, args.window_samples))
    finally:
        service.kill()
        service.wait()
    for fault in sweep.faults:
        print('FAIL:', fault, '\n')
    codes = ', '.join(f'{what}: {count}' for what, count in sorted(sweep.codes.items()))
    print(f'{sweep.runs} runs ({query_calls} calls counted in a query --all, {window_calls} in a window start): '
          f'{sweep.done} did everything, {sweep.said} said why in Chinese, {len(sweep.faults)} faults; '
          f'exits seen: {codes}')
    if not sweep.faults:
        shutil.rmtree(work)
    return 1 if sweep.faults else 0


if __name__ == '__main__':
    sys.exit(main())
