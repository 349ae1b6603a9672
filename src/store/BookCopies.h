// The copies kept of the book: the backup refreshed at every start, dated generations that later
// starts never overwrite, the copy kept before a layout change, and putting one of them back. Only a
// book that passes the engine's quick check is copied, so damage never replaces a good copy.
#pragma once

#include "store/BookLock.h"
#include "text/Failure.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

class SafeWrite;

// What keeping the start's copies found: the book damaged (and where a good copy is), or copies that
// could not be written; each in Chinese, for the user.
struct CopyReport {
    // The book is damaged: said with the newest good copy and how to put it back by hand.
    QString damage;
    // That copy, and the window's question whether to put it back now; empty when none passed.
    QString goodCopy;
    QString restoreOffer;
    QStringList warnings;
    bool clean() const { return damage.isEmpty() && warnings.isEmpty(); }
};

class BookCopies final {
public:
    // today names the generation a start keeps.
    BookCopies(QString programDir, QDate today);

    QString databasePath() const;
    QString backupPath() const;
    QString generationsPath() const;

    // Removes temporary copies a killed copy left, checks the book and, when it is whole, refreshes
    // the backup and keeps today's generation, each on a connection of its own.
    CopyReport keepStartCopies();
    // Keeps a generation of the book as it stands now, named by today's date and the reason
    // ("before-clear"). Damaged when the check finds the book damaged.
    Outcome<> keepGeneration(const QString &reason);
    // Keeps a checked copy of the book as it is beside it, before its layout changes: an older
    // program can still read the copy. Damaged ("文件已损坏") when the check finds the book damaged.
    Outcome<> keepBeforeLayoutChange();

    // The newest copy of the book that passes the check, or empty.
    QString newestGoodCopy() const;
    // How to put a good copy back by hand.
    QString restoreByHand(const QString &good) const;
    // The window's question whether to put the good copy back now.
    QString restoreQuestion(const QString &good, bool missing) const;

    struct Restored {
        // The lock on the restored book, taken before it got the book's name.
        BookLock lock;
        // Where the damaged book was kept; empty when nothing was there.
        QString keptAside;
    };
    // Puts the checked copy in the book's place: a damaged book is kept aside beside it under a dated
    // name, never deleted; a missing one is replaced only while its name stays free. `letGo` closes
    // the book's connection just before the name changes hands; `takeBack` reopens the damaged book
    // when the copy could not take its place after all.
    Outcome<Restored> restore(const QString &copy, const std::function<void()> &letGo,
                              const std::function<void()> &takeBack);

private:
    struct Snapshot;
    // Copies the book into the writer's temporary file while holding a read lock on it, so no write
    // lands mid-copy, then runs the quick check on the copy.
    Snapshot takeCheckedSnapshot(SafeWrite &writing) const;
    // Writes the generation named `name` from the already checked file `checked`.
    Outcome<> keepGenerationCopy(const QString &folderPath, const QString &name,
                                 const QString &checked) const;
    void removeStaleCopies(const QString &folderPath) const;
    // Says the book is damaged (found by the check) and names the newest copy that passes it.
    QString damageMessage(const QString &found, const QString &good) const;
    QString generationName(const QString &reason) const;
    QString bookFolder() const;

    QString m_programDir;
    QDate m_today;
    // One copy at a time: the start's, a clear's and a restore.
    std::mutex m_copying;
};
