// The one database file: single-instance lock, backup copy at every start, and the connection.
#pragma once

#include "store/Database.h"

#include <QString>

#include <future>
#include <optional>

class BookFile final {
public:
    enum class OpenResult { Opened, AlreadyRunning, Failed };

    explicit BookFile(QString programDir);
    BookFile(const BookFile &) = delete;
    BookFile &operator=(const BookFile &) = delete;
    ~BookFile();

    // Locks the file for the whole run, refreshes the backup and opens the connection. The lock is
    // an flock on the database file, so the kernel drops it when the process dies, even by kill -9.
    OpenResult open();
    // Runs open() on a worker thread, so the key derivation on the first read overlaps whatever the
    // caller builds meanwhile; the next open() waits for it and returns its result. Until then the
    // worker owns this object: call nothing else on it.
    void openInBackground();
    // The engine's or the file system's words for the last failed open.
    const QString &failure() const { return m_failure; }
    Database &database() { return *m_database; }
    bool isOpen() const { return m_database.has_value() && m_database->isOpen(); }
    void close();

    QString databasePath() const;
    QString backupPath() const;

private:
    OpenResult openHere();
    bool copyBackup();

    QString m_programDir;
    int m_lockFd = -1;
    std::optional<Database> m_database;
    QString m_failure;
    std::future<OpenResult> m_opening;
};
