#!/usr/bin/env python3
"""parcelbook's command line: --help and --version answer without a display, wrong arguments exit 2."""
import os
import subprocess
import sys

program, version = sys.argv[1], sys.argv[2]
# No display and no platform named: the program could not open a window even if it tried.
env = {k: v for k, v in os.environ.items() if k not in ('DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM')}
failures = []


def run(*args):
    done = subprocess.run([program, *args], env=env, capture_output=True, text=True, timeout=30)
    return done.returncode, done.stdout, done.stderr


def expect(what, condition):
    if not condition:
        failures.append(what)


for option in ('--help', '-h'):
    code, out, err = run(option)
    expect(f'{option}: exit 0, usage on stdout', code == 0 and out.startswith('用法:parcelbook') and not err)
code, out, _ = run('--version')
expect('--version names the version', code == 0 and out == f'岚舟包裹通 {version}\n')
for args, said in ((['--bogus'], '不认识的选项:--bogus'), (['书'], '不认识的参数:书'),
                   (['-platform'], '选项 -platform 后缺少值'), (['--help=1'], '选项 --help 后面不能带值')):
    code, out, err = run(*args)
    expect(f'{args}: exit 2, reason and usage on stderr',
           code == 2 and not out and err.startswith(said) and '用法:parcelbook' in err)

for failure in failures:
    print('FAIL:', failure)
sys.exit(1 if failures else 0)
