#!/usr/bin/python3
# Peak memory of `parcelbook-cli query` against a loopback service whose chunked answer never ends.
"""Usage: run-endless.py BUILD_DIR [--chunk KiB] [--limit MiB]

Builds nothing: BUILD_DIR must hold a built tree (bin/parcelbook-cli, bin/db/parcelbook.mdb and
bench/startup/parcelbook-fill-book). A loopback server answers every request with a chunked body that
never ends, sent as fast as the client takes it; `parcelbook-cli query` asks it about the one parcel of
a fresh book under GNU time -v. Printed: GNU time's "Maximum resident set size", the exit code and what
the command said on stderr. Fails (exit 1) when the peak reaches --limit MiB (64 by default), or the
command exits 0 or without the cap's reason ("回答过大").
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
from bookfolder import make_program_folder, require  # noqa: E402

TIME = '/usr/bin/time'
NUMBER = '3101234500000'  # the first parcel parcelbook-fill-book writes
HEAD = (b'HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n'
        b'Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n')


def serve(listener, chunk):
    """Answers each connection on its own thread until the client goes away."""
    framed = b'%x\r\n' % len(chunk) + chunk + b'\r\n'

    def answer(connection):
        with connection:
            try:
                connection.recv(65536)
                connection.sendall(HEAD)
                while True:
                    connection.sendall(framed)
            except OSError:
                return

    while True:
        try:
            connection, _ = listener.accept()
        except OSError:
            return
        threading.Thread(target=answer, args=(connection,), daemon=True).start()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('build')
    parser.add_argument('--chunk', type=int, default=64, help='KiB per chunk')
    parser.add_argument('--limit', type=int, default=64, help='MiB the peak must stay under')
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    cli = require(os.path.join(build, 'bin', 'parcelbook-cli'))
    require(TIME)

    listener = socket.create_server(('127.0.0.1', 0))
    port = listener.getsockname()[1]
    threading.Thread(target=serve, args=(listener, b'x' * (args.chunk * 1024)), daemon=True).start()
    folder, _, _ = make_program_folder(build, 1, 'parcelbook-endless-')
    home = tempfile.mkdtemp(prefix='parcelbook-endless-home-')
    env = dict(os.environ, PARCELBOOK_PROGRAM_DIR=folder, HOME=home, XDG_CONFIG_HOME=os.path.join(home, '.config'),
               PARCELBOOK_TRACKING_URL=f'http://127.0.0.1:{port}', LC_ALL='C.UTF-8')
    try:
        run = subprocess.run([TIME, '-v', cli, 'query', NUMBER], env=env, capture_output=True, timeout=300)
    finally:
        listener.close()
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
    said = run.stderr.decode(errors='replace').splitlines()
    peak_line = next(line.strip() for line in said if 'Maximum resident set size' in line)
    peak_kib = int(peak_line.split(':')[-1])
    exit_line = next(line.strip() for line in said if 'Exit status' in line)
    command_said = [line for line in said if not line.startswith('\t') and 'Command exited' not in line]
    print(peak_line)
    print(f'{exit_line} (parcelbook-cli)')
    print('stderr: ' + ' | '.join(command_said))
    print('stdout: ' + run.stdout.decode(errors='replace').strip())
    status = int(exit_line.split(':')[-1])
    if peak_kib >= args.limit * 1024 or status == 0 or not any('回答过大' in line for line in command_said):
        print(f'FAIL: the peak must stay under {args.limit} MiB and the command must fail past its cap',
              file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
