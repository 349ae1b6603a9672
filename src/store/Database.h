// RAII wrapper over one SQLCipher connection and its prepared statements.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

class BookFeed;
class Statement;

class Database final {
public:
    // How long a statement waits for another connection before it gives up: a read for a write being
    // committed, a write for readers to finish. Past it the statement fails (SQLITE_BUSY) and the
    // caller says so; nothing is dropped quietly. The readers of the book read in short steps (the
    // listing a page at a time, the copies for one file copy), so a writer waits milliseconds.
    static constexpr int busyTimeoutMs = 5000;

    // Where a key derived for a file is remembered: in this process only (copies, checks), or also in
    // a memo file beside it (the book), so the next start opens it without deriving it again.
    enum class RememberKey { InThisProcess, BesideTheFile };

    // Who calls the connection: any thread, so the engine takes its lock around every call, or only
    // one thread at a time (a command that reads the book and ends), spared that lock on every step
    // and column read.
    enum class Callers { AnyThread, OneThread };

    // Opens an existing encrypted file; never creates one. Throws StoreError when the file is
    // missing, the key is wrong or the file is not a database.
    static Database open(const QString &path, const QString &key,
                         RememberKey remember = RememberKey::InThisProcess,
                         Callers callers = Callers::AnyThread);
    // Creates a new encrypted file (used only by the tool that builds the delivered database).
    static Database create(const QString &path, const QString &key);

    Database(Database &&other) noexcept;
    Database &operator=(Database &&other) noexcept;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;
    ~Database();

    Statement prepare(const QString &sql);
    // Runs statements that bind nothing (schema, pragmas, transactions).
    void exec(const QString &sql);
    std::int64_t lastInsertId() const;
    int changes() const;
    bool hasTable(const QString &name);
    // The engine's quick check of every page and index: empty when the file is whole, else what it
    // found wrong. Throws StoreError when the file cannot even be read that far.
    QString quickCheck();
    void close();
    bool isOpen() const { return m_db != nullptr; }
    // From now on every statement that would change the file is refused, saying the book is damaged
    // (a damaged file is never written again); reads go on. Safe to call from any thread.
    void refuseWrites();

    // Where the statements on this connection say what they changed; nobody hears them by default (a
    // copy, a check, the command line). The feed outlives the connection's use.
    void setFeed(BookFeed *feed) { m_feed = feed; }
    BookFeed *feed() const { return m_feed; }

private:
    explicit Database(sqlite3 *db);
    // Throws the refusal when writes are refused and the statement would write.
    void checkWriteAllowed(sqlite3_stmt *stmt) const;
    // The connection with this key text (a passphrase, or a raw key "x'…'"), its first page read.
    static Database connect(const QString &path, const QByteArray &key, int flags);

    sqlite3 *m_db = nullptr;
    std::atomic<bool> m_writesRefused = false;
    BookFeed *m_feed = nullptr;
};

// Everything between its start and commit() is written at once, or not at all: a scope left early
// (an exception) rolls it back. One commit also costs the disk one flush instead of one per write.
class Transaction final {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &m_db;
    bool m_open = true;
};

class Statement final {
public:
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&) = delete;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement();

    // SQLite binds from 1, columns count from 0.
    Statement &bind(int index, const QString &value);
    Statement &bind(int index, std::int64_t value);
    // Steps once: true while a row is available.
    bool next();
    // Runs a statement that returns no rows.
    void run();
    // Makes a statement that has run ready to run again with new values.
    void reset();
    QString text(int column) const;
    // The column holds no value at all (an outer join found no row).
    bool isNull(int column) const;
    // The column's UTF-8 bytes as the engine holds them (no NUL after them), valid until the next step.
    QByteArrayView utf8(int column) const;
    std::int64_t integer(int column) const;
    int columnIndex(const QString &name) const;

private:
    friend class Database;
    Statement(sqlite3 *db, sqlite3_stmt *stmt);
    [[noreturn]] void fail() const;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};
