// The one database file: single-instance lock, the connection, and the copies kept of it: the backup
// refreshed at every start and dated generations that later starts never overwrite. Only a book that
// passes the engine's quick check is copied, so damage never replaces a good copy; a damaged book is
// never written again, and a good copy can be put in its place.
#pragma once

#include "store/Database.h"

#include <QDate>
#include <QString>

#include <QStringList>

#include <functional>
#include <future>
#include <mutex>
#include <optional>

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

class BookFile final {
public:
    enum class OpenResult { Opened, AlreadyRunning, Failed };

    // today names the generation a start keeps.
    BookFile(QString programDir, QDate today);
    BookFile(const BookFile &) = delete;
    BookFile &operator=(const BookFile &) = delete;
    ~BookFile();

    // Locks the file for the whole run and opens the connection (which rolls back what a crash left
    // half-written). The lock is an flock on the database file, so the kernel drops it when the
    // process dies, even by kill -9. A book of an older layout gains the newer tables, after a
    // checked copy of it as it was is kept beside it. The copies are kept by keepCopies() afterwards.
    // A lock that failed is tried again by the next open().
    OpenResult open();
    // Runs open() on a worker thread, so the key derivation on the first read overlaps whatever the
    // caller builds meanwhile; the next open() waits for it and returns its result. Until then the
    // worker owns this object: call nothing else on it. firstRead, when given, runs on that worker
    // with the opened connection before it is handed over, so a read proportional to the book costs
    // the caller's thread nothing and no second key derivation.
    void openInBackground(std::function<void(Database &)> firstRead = {});
    // After openInBackground: Opened while the worker goes on, or why the book could not be
    // locked (another copy holds it, or the file is not there); nothing before.
    std::optional<OpenResult> lockResult() const;
    // The cause of the last failed open, in Chinese; when the book is missing or damaged and a copy
    // passes the check, it names that copy and how to put it back.
    const QString &failure() const { return m_failure; }
    // After an open that failed because the book is missing or damaged: the newest copy that passes
    // the check and the window's question whether to put it back; both empty when there is none.
    const QString &goodCopy() const { return m_goodCopy; }
    const QString &restoreOffer() const { return m_restoreOffer; }
    // The last failed open found no file at the book's name.
    bool bookMissing() const { return m_missing; }
    // The last failed open found the book missing or damaged, rather than a disk or a lock that failed.
    bool bookTroubled() const { return m_troubled; }
    Database &database() { return *m_database; }
    bool isOpen() const { return m_database.has_value() && m_database->isOpen(); }
    // Waits for the copies being kept, then closes the connection; the lock stays until destruction.
    void close();

    // After a successful open: removes temporary copies a killed copy left, checks the book and, when
    // it is whole, refreshes the backup and keeps today's generation, on a connection of its own. A
    // damaged book is written no more: every write on the connection is refused from then on.
    CopyReport keepCopies();
    // keepCopies() on a worker thread, so the check never holds up the window; `done` runs on that
    // worker. close() and the destructor wait for it.
    void keepCopiesInBackground(std::function<void(const CopyReport &)> done);

    // Puts the checked copy in the book's place and opens it, the lock held throughout: a damaged
    // book is kept aside beside it under a dated name, never deleted; a missing one is replaced only
    // while its name stays free. The connection stays the same object, so whoever holds it reads the
    // restored book. Empty, or why not (the book then stays as it was).
    QString restoreFrom(const QString &copy);
    // Where the last restore kept the damaged book; empty when nothing was there.
    const QString &keptAside() const { return m_keptAside; }

    QString databasePath() const;
    QString backupPath() const;
    QString generationsPath() const;
    // Keeps a generation of the book as it stands now, named by today's date and the reason
    // ("before-clear"); false, with the reason in failure(), when it could not be written or the book
    // is damaged.
    bool keepGeneration(const QString &reason);

private:
    // Takes the single-instance lock: Opened when it is ours.
    OpenResult lock();
    // Opens the locked book.
    OpenResult openLocked();
    // Notes that the book is damaged (or missing) and looks for the newest good copy; the cause
    // given is said first in failure().
    OpenResult troubled(const QString &cause, bool missing);
    struct Snapshot;
    // Copies the book into the writer's temporary file while holding a read lock on it, so no write
    // lands mid-copy, then runs the quick check on the copy.
    Snapshot takeCheckedSnapshot(SafeWrite &writing) const;
    // The generations folder, created 0700 and never followed through a symbolic link: a path that
    // reaches it through the opened folder itself, or empty with the reason in `problem`.
    QString openGenerationsFolder(int &folder, QString &problem) const;
    // Writes the generation named `name` from the already checked file `checked`.
    QString keepGenerationCopy(const QString &folderPath, const QString &name, const QString &checked) const;
    // The newest seven days are kept, and of the copies taken before a clear the newest ten.
    static void pruneGenerations(const QString &folderPath);
    void removeStaleCopies(const QString &folderPath) const;
    // The newest copy of the book that passes the check, or empty.
    QString newestGoodCopy() const;
    // Says the book is damaged (found by the check) and names the newest copy that passes it; the
    // book is written no more.
    QString damageMessage(const QString &found, const QString &good);
    // How to put a good copy back by hand.
    QString restoreByHand(const QString &good) const;
    // The window's question whether to put the good copy back now.
    QString restoreQuestion(const QString &good, bool missing) const;
    QString generationName(const QString &reason) const;
    QString bookFolder() const;

    QString m_programDir;
    QDate m_today;
    int m_lockFd = -1;
    std::optional<Database> m_database;
    QString m_failure;
    QString m_goodCopy;
    QString m_restoreOffer;
    bool m_missing = false;
    bool m_troubled = false;
    QString m_keptAside;
    std::future<OpenResult> m_opening;
    std::optional<OpenResult> m_lockResult;
    // One copy at a time: the start's, a clear's and a restore.
    std::mutex m_copying;
    std::future<void> m_keepingCopies;
};
