// The one database file: the single-instance lock held for the run, the connection, and the layout
// changes an older book needs. A damaged book is never written again, and a good copy can be put in
// its place (the copies themselves are BookCopies').
#pragma once

#include "store/BookCopies.h"
#include "store/BookLock.h"
#include "store/Database.h"
#include "text/Failure.h"

#include <QDate>
#include <QString>

#include <functional>
#include <future>
#include <optional>

class BookFile final {
public:
    // today names the generation a start keeps.
    BookFile(QString programDir, QDate today);
    BookFile(const BookFile &) = delete;
    BookFile &operator=(const BookFile &) = delete;
    ~BookFile();

    // Locks the file for the whole run (see BookLock) and opens the connection (which rolls back
    // what a crash left half-written). A book of an older layout gains the newer tables, after a
    // checked copy of it as it was is kept beside it. The copies are kept by keepCopies() afterwards.
    // A lock that failed is tried again by the next open(). Fails HeldElsewhere when another copy of
    // the program holds the book, and Damaged when the book is missing or damaged: then, when a copy
    // passes the check, the reason names it and how to put it back.
    Outcome<> open();
    // Runs open() on a worker thread, so the key derivation on the first read overlaps whatever the
    // caller builds meanwhile; the next open() waits for it and returns its result. Until then the
    // worker owns this object: call nothing else on it. firstRead, when given, runs on that worker
    // with the opened connection before it is handed over, so a read proportional to the book costs
    // the caller's thread nothing and no second key derivation.
    void openInBackground(std::function<void(Database &)> firstRead = {});
    // After openInBackground: done while the worker goes on, or why the book could not be locked
    // (another copy holds it, or the file is not there); nothing before.
    std::optional<Outcome<>> lockResult() const { return m_lockResult; }
    // After an open that failed because the book is missing or damaged: the newest copy that passes
    // the check and the window's question whether to put it back; both empty when there is none.
    const QString &goodCopy() const { return m_goodCopy; }
    const QString &restoreOffer() const { return m_restoreOffer; }
    // The last failed open found no file at the book's name.
    bool bookMissing() const { return m_missing; }
    Database &database() { return *m_database; }
    bool isOpen() const { return m_database.has_value() && m_database->isOpen(); }
    // Waits for the copies being kept, then closes the connection; the lock stays until destruction.
    void close();

    // After a successful open: BookCopies::keepStartCopies(). A damaged book is written no more:
    // every write on the connection is refused from then on.
    CopyReport keepCopies();
    // keepCopies() on a worker thread, so the check never holds up the window; `done` runs on that
    // worker. close() and the destructor wait for it.
    void keepCopiesInBackground(std::function<void(const CopyReport &)> done);

    // Puts the checked copy in the book's place (BookCopies::restore) and opens it, the lock held
    // throughout. The connection stays the same object, so whoever holds it reads the restored book.
    // When it fails the book stays as it was.
    Outcome<> restoreFrom(const QString &copy);
    // Where the last restore kept the damaged book; empty when nothing was there.
    const QString &keptAside() const { return m_keptAside; }

    QString databasePath() const { return m_copies.databasePath(); }
    QString backupPath() const { return m_copies.backupPath(); }
    QString generationsPath() const { return m_copies.generationsPath(); }
    // Keeps a generation of the book as it stands now, named by today's date and the reason
    // ("before-clear"). Damaged when the check finds the book damaged, which is written no more.
    Outcome<> keepGeneration(const QString &reason);

private:
    Outcome<> lock();
    // Opens the locked book.
    Outcome<> openLocked();
    // The book is damaged (or missing): looks for the newest good copy and says it after the cause.
    Failure troubled(Failure cause, bool missing);
    // Not one more write: a write to a damaged file can spread the damage to pages still whole.
    void refuseWrites();

    BookCopies m_copies;
    BookLock m_lock;
    std::optional<Database> m_database;
    QString m_goodCopy;
    QString m_restoreOffer;
    bool m_missing = false;
    QString m_keptAside;
    std::future<Outcome<>> m_opening;
    std::optional<Outcome<>> m_lockResult;
    std::future<void> m_keepingCopies;
};
