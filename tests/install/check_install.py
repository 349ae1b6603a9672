#!/usr/bin/python3
# Checks what a built tree installs: the file layout (tree) and the packaged program's first start
# (program).
import argparse
import glob
import os
import stat
import subprocess
import sys
import tempfile

APP = 'cn.lanzhou.parcelbook'
SERVICES = ['TRACKING', 'RECOGNITION', 'SITE', 'MAKER', 'TIME', 'PROBE']
DESKTOP_ENTRY = f'share/applications/{APP}.desktop'
METAINFO = f'share/metainfo/{APP}.metainfo.xml'
INSTALLED = [
    DESKTOP_ENTRY,
    METAINFO,
    'bin/parcelbook',
    'bin/parcelbook-cli',
    'lib/parcelbook/libparcelbook-smtp.so',
    'lib/parcelbook/libparcelbook-sound.so',
    'share/parcelbook/ts.mp3',
    'share/parcelbook/db/parcelbook.mdb',
    f'share/icons/hicolor/48x48/apps/{APP}.png',
    f'share/icons/hicolor/128x128/apps/{APP}.png',
    f'share/icons/hicolor/256x256/apps/{APP}.png',
    f'share/icons/hicolor/scalable/apps/{APP}.svg',
]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(command, **kwargs):
    done = subprocess.run(command, capture_output=True, text=True, **kwargs)
    check(done.returncode == 0, f'{" ".join(command)} exited {done.returncode}:\n{done.stdout}{done.stderr}')
    return done


def check_tree(build, cmake, work):
    prefix = os.path.join(work, 'prefix')
    run([cmake, '--install', build, '--prefix', prefix])
    for path in INSTALLED:
        check(os.path.isfile(os.path.join(prefix, path)), f'not installed: {path}')
    for program in ['bin/parcelbook', 'bin/parcelbook-cli']:
        check(os.access(os.path.join(prefix, program), os.X_OK), f'{program} is not executable')
    check(not os.path.exists(os.path.join(prefix, 'bin', 'db')), 'a book was installed beside the program')
    run(['desktop-file-validate', os.path.join(prefix, DESKTOP_ENTRY)])
    run(['appstreamcli', 'validate', '--no-net', os.path.join(prefix, METAINFO)])


def start_demo_service(demo_service):
    service = subprocess.Popen([demo_service, '--port', '0'], stdout=subprocess.PIPE, text=True)
    line = service.stdout.readline().strip()
    if not line.startswith('listening on '):
        service.kill()
        sys.exit(f'the demo service did not start: {line!r}')
    return service, line[len('listening on '):]


def check_program(build, cpack, demo_service, first_paint, work):
    run([cpack, '-G', 'DEB', '--config', os.path.join(build, 'CPackConfig.cmake'), '-B', work])
    packages = glob.glob(os.path.join(work, 'parcelbook_*.deb'))
    if len(packages) != 1:
        sys.exit(f'expected one package, found {packages}')
    depends = run(['dpkg-deb', '--field', packages[0], 'Depends']).stdout
    check('libqt6widgets6' in depends and 'libsqlcipher0' in depends,
          f'the library dependencies were not computed: {depends}')
    root = os.path.join(work, 'root')
    run(['dpkg', '-x', packages[0], root])

    home = os.path.join(work, 'home')
    data = os.path.join(home, '.local', 'share')
    env = {key: value for key, value in os.environ.items() if not key.startswith('PARCELBOOK_')}
    runtime = os.path.join(work, 'runtime')
    os.mkdir(runtime, 0o700)
    env.update(QT_QPA_PLATFORM='offscreen', HOME=home, XDG_DATA_HOME=data,
               XDG_CONFIG_HOME=os.path.join(home, '.config'), XDG_RUNTIME_DIR=runtime,
               LD_PRELOAD=first_paint)
    service, url = start_demo_service(demo_service)
    try:
        env.update({f'PARCELBOOK_{name}_URL': url for name in SERVICES})
        shown = run([os.path.join(root, 'usr', 'bin', 'parcelbook')], env=env, cwd=work, timeout=120)
    finally:
        service.kill()
        service.wait()
    said = [line for line in shown.stderr.splitlines() if line.startswith('first paint: ')]
    check(said and said[0].startswith('first paint: MainWindow, '), f'the main window did not show:\n{shown.stderr}')
    check(said and not said[0].endswith(' icon 0x0'), f'the window has no icon: {said}')

    book = os.path.join(data, 'parcelbook', 'db', 'parcelbook.mdb')
    if not os.path.isfile(book):
        failures.append(f'no book in {book}')
    else:
        check(stat.S_IMODE(os.stat(book).st_mode) == 0o600, f'{book} is not readable by its owner only')
        check(stat.S_IMODE(os.stat(os.path.dirname(book)).st_mode) == 0o700,
              f'{os.path.dirname(book)} is not open to its owner only')
    check(not os.path.exists(os.path.join(root, 'usr', 'bin', 'db')), 'the book was made beside the program')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('mode', choices=['tree', 'program'])
    parser.add_argument('build')
    parser.add_argument('--cmake')
    parser.add_argument('--cpack')
    parser.add_argument('--demo-service')
    parser.add_argument('--first-paint')
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix='parcelbook-install-') as work:
        if args.mode == 'tree':
            check_tree(args.build, args.cmake, work)
        else:
            check_program(args.build, args.cpack, args.demo_service, args.first_paint, work)
    for failure in failures:
        print(f'FAIL: {failure}')
    sys.exit(1 if failures else 0)


if __name__ == '__main__':
    main()
