#!/usr/bin/python3
# Checks what a built tree installs: the file layout (tree) and the packaged program's first start
# (program), and what lintian says of the package.
import argparse
import glob
import gzip
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import threading
import time

APP = 'cn.lanzhou.parcelbook'
SERVICES = ['TRACKING', 'RECOGNITION', 'SITE', 'MAKER', 'TIME', 'PROBE']
DESKTOP_ENTRY = f'share/applications/{APP}.desktop'
METAINFO = f'share/metainfo/{APP}.metainfo.xml'
WATCH_SERVICE = 'lib/systemd/user/parcelbook-watch.service'
INSTALLED = [
    DESKTOP_ENTRY,
    METAINFO,
    'bin/parcelbook',
    'bin/parcelbook-cli',
    'lib/parcelbook/modules/libparcelbook-smtp.so',
    'lib/parcelbook/modules/libparcelbook-sound.so',
    'lib/parcelbook/modules/libparcelbook-web.so',
    'lib/parcelbook/modules/parcelbook-demo-service',
    'share/parcelbook/ts.mp3',
    'share/parcelbook/db/parcelbook.mdb',
    f'share/icons/hicolor/48x48/apps/{APP}.png',
    f'share/icons/hicolor/128x128/apps/{APP}.png',
    f'share/icons/hicolor/256x256/apps/{APP}.png',
    f'share/icons/hicolor/scalable/apps/{APP}.svg',
    WATCH_SERVICE,
    'lib/systemd/user/parcelbook-watch.timer',
    'share/doc/parcelbook/copyright',
    'share/doc/parcelbook/changelog.Debian.gz',
    'share/man/man1/parcelbook.1.gz',
    'share/man/man1/parcelbook-cli.1.gz',
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
    service = os.path.join(prefix, WATCH_SERVICE)
    if os.path.isfile(service):
        with open(service, encoding='utf-8') as file:
            lines = file.read().splitlines()
        # The unit names the program where this install put it, whatever prefix the build was set up with.
        cli = os.path.join(prefix, 'bin', 'parcelbook-cli')
        check(f'ExecStart={cli} watch' in lines, f'{WATCH_SERVICE} does not start {cli}: {lines}')
    run(['desktop-file-validate', os.path.join(prefix, DESKTOP_ENTRY)])
    run(['appstreamcli', 'validate', '--no-net', os.path.join(prefix, METAINFO)])


def start_demo_service(demo_service):
    service = subprocess.Popen([demo_service, '--port', '0'], stdout=subprocess.PIPE, text=True)
    line = service.stdout.readline().strip()
    if not line.startswith('listening on '):
        service.kill()
        sys.exit(f'the demo service did not start: {line!r}')
    return service, line[len('listening on '):]


# The delivered book's passphrase, for arranging a parcel in the installed program's book.
BOOK_KEY = 'Q7!m#2@pX9$k&4Lr*8Zn'
BUS_CONFIG = ('<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>'
              '<policy context="default"><allow send_destination="*"/><allow receive_sender="*"/>'
              '<allow own="*"/></policy></busconfig>')


def first_line(stream, seconds):
    """The stream's next line, or None when none came in time."""
    got = []
    reader = threading.Thread(target=lambda: got.append(stream.readline()), daemon=True)
    reader.start()
    reader.join(seconds)
    return got[0].rstrip('\n') if got else None


def line_where(stream, wanted, seconds):
    """The stream's first line for which wanted holds, or None when none came in time."""
    deadline = time.monotonic() + seconds
    while (left := deadline - time.monotonic()) > 0:
        line = first_line(stream, left)
        if line is None or wanted(line):
            return line
    return None


def check_notification(program, env, book, args, work):
    """New progress of the first parcel is posted to the desktop's notification service, with the sound
    switch left off, and activating the notification picks that parcel in the window."""
    run([args.sqlcipher, book],
        input=f"PRAGMA key='{BOOK_KEY}'; "
              "INSERT INTO parcelbook (number, company, goods, num) "
              "VALUES ('3101234567890', '圆通速递', '爸爸的<衣服>', '0');")
    config = os.path.join(work, 'bus.conf')
    with open(config, 'w') as file:
        file.write(BUS_CONFIG)
    started = []
    try:
        daemon = subprocess.Popen([args.dbus_daemon, f'--config-file={config}', '--nofork', '--print-address'],
                                  stdout=subprocess.PIPE, text=True)
        started.append(daemon)
        address = first_line(daemon.stdout, 10)
        if not address:
            failures.append('the private session bus did not start')
            return
        bus = dict(env, DBUS_SESSION_BUS_ADDRESS=address)
        fake = subprocess.Popen([args.fake_notifications], env=bus, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                text=True)
        started.append(fake)
        if first_line(fake.stdout, 10) != 'ready':
            failures.append('the stand-in notification service did not start')
            return
        window = subprocess.Popen([program], env=dict(bus, LD_PRELOAD=args.pick_first), cwd=work,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        started.append(window)
        shown = first_line(fake.stdout, 120)
        fields = shown.split('\t') if shown else []
        check(fields[1:3] + fields[4:] == [APP, '快递【爸爸的<衣服>】有新进展', APP, 'default|打开'],
              f'no notification of new progress to open: {shown!r}')
        # Activating it brings that parcel up again in the window, which the preloaded helper has left
        # showing nothing.
        if fields and line_where(window.stderr, lambda line: line == 'watching picks', 60):
            fake.stdin.write(f'invoke {fields[0]}\n')
            fake.stdin.flush()
            picked = line_where(window.stderr, lambda line: line.startswith('picked: '), 30)
            check(picked == 'picked: 爸爸的<衣服>', f'the activated notification picked {picked!r}')
        else:
            failures.append('the window did not finish querying its first parcel')
        # The command line announces what it finds the same way, and before it ends.
        window.kill()
        window.wait()
        run([args.sqlcipher, book], input=f"PRAGMA key='{BOOK_KEY}'; UPDATE parcelbook SET num='0';")
        said = run([os.path.join(os.path.dirname(program), 'parcelbook-cli'), 'query', '--all'], env=bus,
                   cwd=work, timeout=120)
        # Nothing there would hear an activation, so nothing is offered to open (the window may have
        # posted more of its own before it ended).
        shown = line_where(fake.stdout, lambda line: not line.endswith('\tdefault|打开'), 10)
        fields = shown.split('\t') if shown else []
        check(fields[1:3] + fields[4:] == [APP, '快递【爸爸的<衣服>】有新进展', APP, ''],
              f'no notification from parcelbook-cli: {shown!r}\n{said.stdout}{said.stderr}')
    finally:
        for process in reversed(started):
            process.kill()
            process.wait()


def watch_window(program, env, work, done, seconds):
    """Runs the window until done(lines said so far) holds or the time is up; the lines it said."""
    window = subprocess.Popen([program], env=env, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                              text=True)
    # One reader for the whole run, so no line is lost between two looks.
    lines = []
    reader = threading.Thread(target=lambda: lines.extend(line.rstrip('\n') for line in window.stderr),
                              daemon=True)
    reader.start()
    deadline = time.monotonic() + seconds
    try:
        while not done(list(lines)) and time.monotonic() < deadline:
            time.sleep(0.1)
    finally:
        window.kill()
        window.wait()
        reader.join(5)
    return lines


def stored_parcels(args, book):
    said = subprocess.run([args.sqlcipher, book], capture_output=True, text=True,
                          input=f"PRAGMA key='{BOOK_KEY}'; SELECT number || '|' || num FROM parcelbook;")
    return [line.split('|') for line in said.stdout.splitlines() if '|' in line]


def check_from_menu(program, env, url, args, work):
    """Started as the applications menu starts it (a fresh home, no PARCELBOOK_ variables), the window
    says at once that no service is set and opens no message box; once the services file names the
    demo service, a number with letters typed into the add page is stored and queried as typed."""
    home = os.path.join(work, 'menu-home')
    menu = {key: value for key, value in env.items() if not key.startswith('PARCELBOOK_')}
    menu.update(HOME=home, XDG_DATA_HOME=os.path.join(home, '.local', 'share'),
                XDG_CONFIG_HOME=os.path.join(home, '.config'), LD_PRELOAD=args.add_from_menu)
    lines = watch_window(program, menu, work, lambda said: any(l.startswith('settled: ') for l in said), 60)
    check('hint: 尚未设置查询服务,请在设置页的“查询服务”中填写' in lines and 'settled: none' in lines,
          f'started without services, the window said: {lines}')

    folder = os.path.join(home, '.config', 'parcelbook')
    os.makedirs(folder, 0o700)
    with open(os.path.join(folder, 'services.conf'), 'w', encoding='utf-8') as file:
        file.write(f'[tracking]\naddress={url}\n[addresses]\nrecognition={url}\nsite={url}\n'
                   f'maker_site={url}\ntime={url}\nprobe={url}\n')
    book = os.path.join(home, '.local', 'share', 'parcelbook', 'db', 'parcelbook.mdb')
    number = 'SF1402345678901'
    queried = lambda _: any(row[0] == number and row[1] not in ('', '0') for row in stored_parcels(args, book))
    lines = watch_window(program, dict(menu, PARCELBOOK_TEST_ADD=number), work, queried, 60)
    check(f'typed: {number}' in lines and [number] == [row[0] for row in stored_parcels(args, book)]
          and queried(None), f'adding {number} from the services file\'s service: {lines}, book '
                             f'{stored_parcels(args, book)}')
    check_demo_walk(program, menu, args, work)


def check_demo_walk(program, menu, args, work):
    """From the menu in a fresh home, "试用演示服务" and 保存 let three demo numbers be added and queried,
    with the demo named in the title and nothing written to the services file."""
    home = os.path.join(work, 'demo-home')
    menu = dict(menu, HOME=home, XDG_DATA_HOME=os.path.join(home, '.local', 'share'),
                XDG_CONFIG_HOME=os.path.join(home, '.config'), PARCELBOOK_TEST_DEMO='1')
    book = os.path.join(home, '.local', 'share', 'parcelbook', 'db', 'parcelbook.mdb')
    # Queried: the book holds the answer's status (a parcel signed for keeps its count at 0).
    def queried(_):
        said = subprocess.run([args.sqlcipher, book], capture_output=True, text=True,
                              input=f"PRAGMA key='{BOOK_KEY}'; SELECT 'queried|' || count(*) FROM progress;")
        return any(line == 'queried|3' for line in said.stdout.splitlines())
    lines = watch_window(program, menu, work, queried, 120)
    check('title: 岚舟包裹通 — 演示服务' in lines and queried(None)
          and not os.path.exists(os.path.join(home, '.config', 'parcelbook', 'services.conf')),
          f'the demo walk: {lines}, book {stored_parcels(args, book)}')


def check_program(build, cpack, demo_service, first_paint, work, args):
    run([cpack, '-G', 'DEB', '--config', os.path.join(build, 'CPackConfig.cmake'), '-B', work])
    packages = glob.glob(os.path.join(work, 'parcelbook_*.deb'))
    if len(packages) != 1:
        sys.exit(f'expected one package, found {packages}')
    # lintian reads the package while the program is tried out.
    lintian = shutil.which('lintian')
    linting = lintian and subprocess.Popen([lintian, '--fail-on', 'error', packages[0]], stdout=subprocess.PIPE,
                                           stderr=subprocess.STDOUT, text=True)
    try:
        check_package(packages[0], demo_service, first_paint, work, args)
    finally:
        if linting:
            said = linting.communicate(timeout=300)[0]
            check(linting.returncode == 0, f'lintian reports errors:\n{said}')
            # A first upload closes no bug report; any other warning is ours to mend.
            warnings = [line for line in said.splitlines()
                        if line.startswith('W:') and 'initial-upload-closes-no-bugs' not in line]
            check(not warnings, 'lintian warns:\n' + '\n'.join(warnings))


def check_package(package, demo_service, first_paint, work, args):
    depends = run(['dpkg-deb', '--field', package, 'Depends']).stdout
    check('libqt6widgets6' in depends and 'libsqlcipher0' in depends,
          f'the library dependencies were not computed: {depends}')
    root = os.path.join(work, 'root')
    run(['dpkg', '-x', package, root])
    version = run(['dpkg-deb', '--field', package, 'Version']).stdout.strip()
    with gzip.open(os.path.join(root, 'usr/share/doc/parcelbook/changelog.Debian.gz'), 'rt', encoding='utf-8') as file:
        newest = file.readline()
    check(newest.startswith(f'parcelbook ({version}) '), f'the changelog does not start at {version}: {newest!r}')
    with open(os.path.join(root, 'usr/share/doc/parcelbook/copyright'), encoding='utf-8') as file:
        check(file.readline().startswith('Format: https://www.debian.org/doc/packaging-manuals/copyright-format/'),
              'the copyright file is not machine-readable')
    with open(os.path.join(root, 'usr', WATCH_SERVICE), encoding='utf-8') as file:
        check('ExecStart=/usr/bin/parcelbook-cli watch' in file.read().splitlines(),
              f'the package\'s {WATCH_SERVICE} does not start /usr/bin/parcelbook-cli')
    check(os.path.isfile(os.path.join(root, 'usr', 'lib', 'systemd', 'user', 'parcelbook-watch.timer')),
          'the package carries no parcelbook-watch.timer')

    home = os.path.join(work, 'home')
    data = os.path.join(home, '.local', 'share')
    env = {key: value for key, value in os.environ.items() if not key.startswith('PARCELBOOK_')}
    runtime = os.path.join(work, 'runtime')
    os.mkdir(runtime, 0o700)
    # A sanitizer build's program would refuse a preloaded helper ahead of its runtime.
    sanitizer = ':'.join(filter(None, [os.environ.get('ASAN_OPTIONS'), 'verify_asan_link_order=0']))
    env.update(ASAN_OPTIONS=sanitizer, QT_QPA_PLATFORM='offscreen', HOME=home, XDG_DATA_HOME=data,
               XDG_CONFIG_HOME=os.path.join(home, '.config'), XDG_RUNTIME_DIR=runtime,
               LD_PRELOAD=first_paint)
    service, url = start_demo_service(demo_service)
    try:
        env.update({f'PARCELBOOK_{name}_URL': url for name in SERVICES})
        program = os.path.join(root, 'usr', 'bin', 'parcelbook')
        shown = run([program], env=env, cwd=work, timeout=120)
        book = os.path.join(data, 'parcelbook', 'db', 'parcelbook.mdb')
        if os.path.isfile(book):
            del env['LD_PRELOAD']
            check_notification(program, env, book, args, work)
        check_from_menu(program, env, url, args, work)
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
    parser.add_argument('--pick-first')
    parser.add_argument('--add-from-menu')
    parser.add_argument('--fake-notifications')
    parser.add_argument('--dbus-daemon')
    parser.add_argument('--sqlcipher')
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix='parcelbook-install-') as work:
        if args.mode == 'tree':
            check_tree(args.build, args.cmake, work)
        else:
            check_program(args.build, args.cpack, args.demo_service, args.first_paint, work, args)
    for failure in failures:
        print(f'FAIL: {failure}')
    sys.exit(1 if failures else 0)


if __name__ == '__main__':
    main()
