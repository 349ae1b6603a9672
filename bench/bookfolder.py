# What the whole-process benchmarks share: finding a built tree's files, and a program folder whose
# book holds generated parcels.
import os
import shutil
import subprocess
import sys
import tempfile


def require(path):
    if not os.path.exists(path):
        sys.exit(f'missing {path}: build the tree first')
    return path


def make_program_folder(build, parcels, prefix, goods=None):
    """A program folder whose book holds `parcels` parcels: (folder, book, what the filler printed).
    With goods, the filler also writes the parcels' goods texts to that file name in the folder."""
    folder = tempfile.mkdtemp(prefix=prefix)
    os.mkdir(os.path.join(folder, 'db'))
    book = os.path.join(folder, 'db', 'parcelbook.mdb')
    shutil.copyfile(require(os.path.join(build, 'bin', 'db', 'parcelbook.mdb')), book)
    command = [require(os.path.join(build, 'bench', 'startup', 'parcelbook-fill-book')), book, str(parcels)]
    if goods:
        command.append(os.path.join(folder, goods))
    filled = subprocess.run(command, check=True, capture_output=True, text=True)
    return folder, book, filled.stdout.strip()
