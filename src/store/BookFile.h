// The one database file: single-instance lock, the connection, and the copies kept of it: the backup
// refreshed at every start and dated generations that later starts never overwrite.
#pragma once

#include "store/Database.h"

#include <QDate>
#include <QString>

#include <future>
#include <optional>

class BookFile final {
public:
    enum class OpenResult { Opened, AlreadyRunning, Failed };

    // today names the generation a start keeps.
    BookFile(QString programDir, QDate today);
    BookFile(const BookFile &) = delete;
    BookFile &operator=(const BookFile &) = delete;
    ~BookFile();

    // Locks the file for the whole run, opens the connection (which rolls back what a crash left
    // half-written), then refreshes the backup and keeps today's generation. The lock is an flock on
    // the database file, so the kernel drops it when the process dies, even by kill -9.
    OpenResult open();
    // Runs open() on a worker thread, so the key derivation on the first read overlaps whatever the
    // caller builds meanwhile; the next open() waits for it and returns its result. Until then the
    // worker owns this object: call nothing else on it.
    void openInBackground();
    // After openInBackground: Opened while the worker goes on, or why the book could not be
    // locked (another copy holds it, or the file is not there); nothing before.
    std::optional<OpenResult> lockResult() const;
    // The engine's or the file system's words for the last failed open.
    const QString &failure() const { return m_failure; }
    Database &database() { return *m_database; }
    bool isOpen() const { return m_database.has_value() && m_database->isOpen(); }
    void close();

    QString databasePath() const;
    QString backupPath() const;
    QString generationsPath() const;
    // Keeps a generation of the book as it stands now, named by today's date and the reason
    // ("before-clear"); false, with the reason in failure(), when it could not be written.
    bool keepGeneration(const QString &reason);

private:
    // Takes the single-instance lock: Opened when it is ours.
    OpenResult lock();
    // Opens the locked book and keeps its copies.
    OpenResult openLocked();
    // Copies the book file to target through a temporary file of mode 0600, renamed into place, so
    // a crash mid-copy never leaves a cut copy and nobody else can read one.
    bool copyBookTo(const QString &target);
    // The start's own generation: one a day, never overwritten; the newest seven days are kept.
    void keepStartGeneration();
    void pruneGenerations();

    QString m_programDir;
    QDate m_today;
    int m_lockFd = -1;
    std::optional<Database> m_database;
    QString m_failure;
    std::future<OpenResult> m_opening;
    std::optional<OpenResult> m_lockResult;
};
