// SQLCipher connection and statement wrapper; every failure becomes a StoreError.
#include "store/Database.h"

#include "store/DerivedKeys.h"
#include "store/EngineFunctions.h"
#include "store/EngineLibrary.h"
#include "store/StoreError.h"
#include "text/RegularFile.h"
#include "text/TrackingNumber.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include <sys/stat.h>

namespace {

// Every statement runs on an open connection, and a connection is only made once the engine is loaded.
const EngineFunctions &engine() {
    return **enginelibrary::load();
}

// tracking_number(text) in a statement: a stored number read by the rule a typed one is read by, so
// that " 3101234567890" stored by an older version matches "3101234567890" typed today.
void readAsTrackingNumber(sqlite3_context *context, int, sqlite3_value **values) {
    const auto *stored = reinterpret_cast<const char *>(engine().value_text(values[0]));
    if (!stored) {
        engine().result_null(context);
        return;
    }
    const QByteArray number =
        normalizedTrackingNumber(QString::fromUtf8(stored, engine().value_bytes(values[0]))).toUtf8();
    engine().result_text(context, number.constData(), static_cast<int>(number.size()), SQLITE_TRANSIENT);
}

// The engine's last failure on the connection: its words, its code and the errno behind it.
StoreError engineFailure(sqlite3 *db, const QString &words = {}) {
    if (!db) {
        return StoreError(QStringLiteral("out of memory"), SQLITE_NOMEM, 0);
    }
    const int code = engine().extended_errcode(db);
    int systemError = engine().system_errno(db);
    // A journal the engine could not create is reported with the errno of its read-only retry, which
    // would say the book is missing while it is there: the cause is then not known.
    if ((code & 0xff) == SQLITE_CANTOPEN && systemError == ENOENT) {
        const char *book = engine().db_filename(db, "main");
        if (book && *book && QFileInfo::exists(QString::fromUtf8(book))) {
            systemError = 0;
        }
    }
    return StoreError(words.isEmpty() ? QString::fromUtf8(engine().errmsg(db)) : words, code, systemError);
}

std::int64_t pragmaValue(Database &db, const QString &name) {
    Statement query = db.prepare(QStringLiteral("PRAGMA ") + name);
    return query.next() ? query.integer(0) : 0;
}

// The engine's default cache is 2,000 KiB; once the book outgrows it, every reload of the picker reads
// and decrypts the whole file again. The cache takes the file and a quarter more for what the session
// adds, never less than 2,000 pages nor more than 64 MiB; pages are only held once they have been read.
void sizeCacheToFile(Database &db) {
    constexpr std::int64_t fewestPages = 2000;
    constexpr std::int64_t mostBytes = std::int64_t(64) << 20;
    const std::int64_t pages = pragmaValue(db, QStringLiteral("page_count"));
    const std::int64_t pageSize = std::max<std::int64_t>(pragmaValue(db, QStringLiteral("page_size")), 512);
    const std::int64_t wanted = std::max(fewestPages, std::min(pages + pages / 4, mostBytes / pageSize));
    db.exec(QStringLiteral("PRAGMA cache_size = %1").arg(wanted));
}

} // namespace

Database::Database(sqlite3 *db)
    : m_db(db) {}

Database Database::connect(const QString &path, const QByteArray &key, int flags) {
    sqlite3 *raw = nullptr;
    const QByteArray file = path.toUtf8();
    // Only a regular file is a database: a pipe put at its name would hold the first read for ever,
    // and a link could lead anywhere.
    if (struct stat info{};
        ::lstat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        throw StoreError(QStringLiteral("这是%1,不是普通文件").arg(nonRegularKind(info.st_mode)));
    }
    if (const Outcome<const EngineFunctions *> &loaded = enginelibrary::load(); !loaded) {
        throw StoreError(loaded.failure().reason + QLatin1Char(':') + loaded.failure().detail);
    }
    const int rc = engine().open_v2(file.constData(), &raw, flags, nullptr);
    Database db(raw);
    if (rc != SQLITE_OK) {
        throw engineFailure(raw);
    }
    if (engine().key(raw, key.constData(), static_cast<int>(key.size())) != SQLITE_OK) {
        throw engineFailure(raw);
    }
    // Another connection writing (a clear in the window, a command storing progress) holds the file
    // for a moment: every statement, the first read included, waits for it rather than failing.
    engine().busy_timeout(raw, busyTimeoutMs);
    engine().create_function_v2(raw, "tracking_number", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                &readAsTrackingNumber, nullptr, nullptr, nullptr);
    // The key is only checked when the first page is read; a wrong key fails here.
    db.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    sizeCacheToFile(db);
    return db;
}

Database Database::open(const QString &path, const QString &key, RememberKey remember, Callers callers) {
    const QByteArray passphrase = key.toUtf8();
    const QByteArray salt = derivedkeys::saltOf(path);
    const int flags = SQLITE_OPEN_READWRITE | (callers == Callers::OneThread ? SQLITE_OPEN_NOMUTEX : 0);
    if (salt.isEmpty()) {
        return connect(path, passphrase, flags);
    }
    const QString folder =
        remember == RememberKey::BesideTheFile ? QFileInfo(path).absolutePath() : QString();
    if (const std::optional<QByteArray> known = derivedkeys::remembered(folder, passphrase, salt)) {
        try {
            return connect(path, *known, flags);
        } catch (const StoreError &) {
            // A stale or damaged memo: the passphrase decides, as it always may.
            derivedkeys::forget(passphrase, salt);
        }
    }
    Database db = connect(path, passphrase, flags);
    if (remember == RememberKey::BesideTheFile) {
        // Remembered only once it has opened the file: a book of other settings is never misread.
        const QByteArray derived = derivedkeys::derive(passphrase, salt);
        try {
            connect(path, derived, SQLITE_OPEN_READONLY);
            derivedkeys::remember(folder, passphrase, salt, derived);
        } catch (const StoreError &) {
            qInfo("the book's key is derived differently here; it is not remembered");
        }
    }
    return db;
}

Database Database::create(const QString &path, const QString &key) {
    return connect(path, key.toUtf8(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

Database::Database(Database &&other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_writesRefused(other.m_writesRefused.load())
    , m_feed(std::exchange(other.m_feed, nullptr)) {}

Database &Database::operator=(Database &&other) noexcept {
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_writesRefused = other.m_writesRefused.load();
        m_feed = std::exchange(other.m_feed, nullptr);
    }
    return *this;
}

void Database::refuseWrites() {
    m_writesRefused = true;
}

void Database::checkWriteAllowed(sqlite3_stmt *stmt) const {
    // Transaction control counts as reading: a rollback after a refused write still runs.
    if (m_writesRefused && !engine().stmt_readonly(stmt)) {
        engine().finalize(stmt);
        throw StoreError(QStringLiteral("快递列表已损坏,程序不再写入它"));
    }
}

Database::~Database() {
    close();
}

void Database::close() {
    if (m_db) {
        engine().close_v2(m_db);
        m_db = nullptr;
    }
}

Statement Database::prepare(const QString &sql) {
    if (!m_db) {
        throw StoreError(QStringLiteral("数据库未连接"));
    }
    sqlite3_stmt *stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (engine().prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        throw engineFailure(m_db);
    }
    checkWriteAllowed(stmt);
    return Statement(m_db, stmt);
}

Transaction::Transaction(Database &db)
    : m_db(db) {
    m_db.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction() {
    if (m_open) {
        try {
            m_db.exec(QStringLiteral("ROLLBACK"));
        } catch (const StoreError &) {
            // The engine has rolled back already (a failed commit, a lost disk): nothing is left open.
        }
    }
}

void Transaction::commit() {
    m_db.exec(QStringLiteral("COMMIT"));
    m_open = false;
}

void Database::exec(const QString &sql) {
    if (!m_db) {
        throw StoreError(QStringLiteral("数据库未连接"));
    }
    if (m_writesRefused) {
        // Each statement of the text is looked at before any of it runs.
        const QByteArray text = sql.toUtf8();
        const char *rest = text.constData();
        while (rest && *rest) {
            sqlite3_stmt *stmt = nullptr;
            if (engine().prepare_v2(m_db, rest, -1, &stmt, &rest) != SQLITE_OK) {
                throw engineFailure(m_db);
            }
            if (stmt) {
                checkWriteAllowed(stmt);
                engine().finalize(stmt);
            }
        }
    }
    char *error = nullptr;
    if (engine().exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString words = error ? QString::fromUtf8(error) : QString();
        engine().free(error);
        throw engineFailure(m_db, words);
    }
}

std::int64_t Database::lastInsertId() const {
    return engine().last_insert_rowid(m_db);
}

int Database::changes() const {
    return engine().changes(m_db);
}

QString Database::quickCheck() {
    Statement check = prepare(QStringLiteral("PRAGMA quick_check"));
    QStringList problems;
    while (check.next()) {
        problems.append(check.text(0));
    }
    return problems == QStringList{QStringLiteral("ok")} ? QString() : problems.join(QLatin1Char('\n'));
}

bool Database::hasTable(const QString &name) {
    Statement query =
        prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    query.bind(1, name);
    return query.next();
}

Statement::Statement(sqlite3 *db, sqlite3_stmt *stmt)
    : m_db(db)
    , m_stmt(stmt) {}

Statement::Statement(Statement &&other) noexcept
    : m_db(other.m_db)
    , m_stmt(std::exchange(other.m_stmt, nullptr)) {}

Statement::~Statement() {
    engine().finalize(m_stmt);
}

void Statement::fail() const {
    throw engineFailure(m_db);
}

Statement &Statement::bind(int index, const QString &value) {
    const QByteArray text = value.toUtf8();
    if (engine().bind_text(m_stmt, index, text.constData(), static_cast<int>(text.size()),
                           SQLITE_TRANSIENT) != SQLITE_OK) {
        fail();
    }
    return *this;
}

Statement &Statement::bind(int index, std::int64_t value) {
    if (engine().bind_int64(m_stmt, index, value) != SQLITE_OK) {
        fail();
    }
    return *this;
}

bool Statement::next() {
    const int rc = engine().step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    fail();
}

void Statement::run() {
    while (next()) {
    }
}

void Statement::reset() {
    // A failed step has thrown already; what reset reports again is that same failure.
    engine().reset(m_stmt);
    engine().clear_bindings(m_stmt);
}

QString Statement::text(int column) const {
    const auto *data = reinterpret_cast<const char *>(engine().column_text(m_stmt, column));
    return data ? QString::fromUtf8(data, engine().column_bytes(m_stmt, column)) : QString();
}

bool Statement::isNull(int column) const {
    return engine().column_type(m_stmt, column) == SQLITE_NULL;
}

QByteArrayView Statement::utf8(int column) const {
    // Read as a blob, the text comes as stored; read as text, the engine would first copy it to end
    // it with a NUL. The value is taken once, so the connection's lock is taken once, not per call.
    const EngineFunctions &api = engine();
    sqlite3_value *value = api.column_value(m_stmt, column);
    const auto *data = static_cast<const char *>(api.value_blob(value));
    return data ? QByteArrayView(data, api.value_bytes(value)) : QByteArrayView();
}

std::int64_t Statement::integer(int column) const {
    return engine().column_int64(m_stmt, column);
}

int Statement::columnIndex(const QString &name) const {
    const int count = engine().column_count(m_stmt);
    for (int i = 0; i < count; ++i) {
        if (QString::fromUtf8(engine().column_name(m_stmt, i)) == name) {
            return i;
        }
    }
    throw StoreError(QStringLiteral("找不到字段 ") + name);
}
