// Where the program's files live: the book, the files delivered with the program, the modules.
#pragma once

#include "text/Failure.h"

#include <QString>

class QDateTime;

namespace programfolder {

struct Places {
    // Holds db/parcelbook.mdb, its backup and its generations; writable.
    QString book;
    // The files delivered with the program: the chime ts.mp3 and the empty book db/parcelbook.mdb.
    QString data;
    // The modules loaded on first use (mail sender, sound player).
    QString modules;
    // The book lives in a folder of the user's, created from the delivered empty book.
    bool bookFromTemplate = false;

    // A portable program folder: everything beside the program.
    static Places portable(const QString &folder) { return {folder, folder, folder, false}; }
    QString chimeFile() const { return data + QStringLiteral("/ts.mp3"); }
    QString templateFile() const;
};

// The places of the running program. The book: PARCELBOOK_PROGRAM_DIR when set; else the executable's
// folder when it holds db/parcelbook.mdb (the build tree, a portable copy); else, for an installed
// program, the user's data folder ($XDG_DATA_HOME/parcelbook). No trailing separators.
Places resolve();
// The user's data folder for the book: $XDG_DATA_HOME/parcelbook when that is absolute, else
// $HOME/.local/share/parcelbook; empty without an absolute HOME.
QString userDataFolder(const QString &dataHome, const QString &home);
// The same rules with the process's state passed in; an empty user folder leaves the book empty,
// which provideBook() refuses.
Places resolve(const QString &configured, const QString &executableFolder, const QString &userDataFolder);

// Creates the book from the delivered empty one when it is absent, never replacing an existing file:
// the folders 0700, the file 0600, the tables of this program's layout already in it; done, too, when
// nothing was to be done. A book that is gone while copies of it remain is not replaced by an empty
// one: the user chooses (startNewBook).
Outcome<> provideBook(const Places &places);
// Whether the book's folder still holds copies of it: the backup, generations, or a copy kept before
// a layout change.
bool holdsCopiesOfTheBook(const QString &bookFolder);
// Sets every copy of the book that is gone aside in db/previous-<date-time>/, so the new book's
// copies never replace them, then creates the new empty book.
Outcome<> startNewBook(const Places &places, const QDateTime &now);

} // namespace programfolder
