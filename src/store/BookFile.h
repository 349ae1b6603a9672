// The one database file: single-instance lock, the connection, and the copies kept of it: the backup
// refreshed at every start and dated generations that later starts never overwrite. Only a book that
// passes the engine's quick check is copied, so damage never replaces a good copy.
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
    QString damage;
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
    // process dies, even by kill -9. The copies are kept by keepCopies() afterwards.
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
    // The engine's or the file system's words for the last failed open.
    const QString &failure() const { return m_failure; }
    Database &database() { return *m_database; }
    bool isOpen() const { return m_database.has_value() && m_database->isOpen(); }
    // Waits for the copies being kept, then closes the connection; the lock stays until destruction.
    void close();

    // After a successful open: removes temporary copies a killed copy left, checks the book and, when
    // it is whole, refreshes the backup and keeps today's generation, on a connection of its own.
    CopyReport keepCopies();
    // keepCopies() on a worker thread, so the check never holds up the window; `done` runs on that
    // worker. close() and the destructor wait for it.
    void keepCopiesInBackground(std::function<void(const CopyReport &)> done);

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
    // Says the book is damaged and names the newest copy that passes the check.
    QString damageMessage(const QString &found) const;
    QString generationName(const QString &reason) const;

    QString m_programDir;
    QDate m_today;
    int m_lockFd = -1;
    std::optional<Database> m_database;
    QString m_failure;
    std::future<OpenResult> m_opening;
    std::optional<OpenResult> m_lockResult;
    // One copy at a time: the start's and a clear's.
    std::mutex m_copying;
    std::future<void> m_keepingCopies;
};
