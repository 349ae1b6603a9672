// Guards and opens the database file.
#include "store/BookFile.h"

#include "store/ProgressStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTime>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Qt's AVX2 fill behind QImage::fill returns without clearing the upper halves of the vector
// registers, and a thread inherits them from the thread that starts it. While they are dirty every
// SSE instruction waits on them, and the key derivation (SHA-1 rounds in SSE) takes twice as long.
#if defined(__x86_64__)
__attribute__((target("avx"))) void clearUpperHalves() {
    _mm256_zeroupper();
}
#endif

void startWithCleanVectorRegisters() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx")) {
        clearUpperHalves();
    }
#endif
}

} // namespace

namespace {

constexpr int keptDays = 7;
const QString generationPrefix = QStringLiteral("parcelbook-");

// Generations sort by name in date order: parcelbook-2026-12-08.mdb, parcelbook-2026-12-08-before-clear-…
QDate generationDate(const QString &name) {
    return QDate::fromString(name.mid(generationPrefix.size(), 10), QStringLiteral("yyyy-MM-dd"));
}

} // namespace

BookFile::BookFile(QString programDir, QDate today)
    : m_programDir(std::move(programDir))
    , m_today(today) {}

BookFile::~BookFile() {
    if (m_opening.valid()) {
        m_opening.wait();
    }
    close();
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

QString BookFile::databasePath() const {
    return m_programDir + schema::databaseFile();
}

QString BookFile::backupPath() const {
    return m_programDir + schema::backupFile();
}

QString BookFile::generationsPath() const {
    return m_programDir + QStringLiteral("/db/backups");
}

void BookFile::openInBackground() {
    // The lock is taken at once, so a second copy knows before it shows anything.
    m_lockResult = lock();
    if (m_lockResult != OpenResult::Opened) {
        return;
    }
    m_opening = std::async(std::launch::async, [this] {
        startWithCleanVectorRegisters();
        return openLocked();
    });
}

std::optional<BookFile::OpenResult> BookFile::lockResult() const {
    return m_lockResult;
}

BookFile::OpenResult BookFile::open() {
    if (m_opening.valid()) {
        return m_opening.get();
    }
    if (m_lockResult) {
        return *m_lockResult;
    }
    const OpenResult locked = lock();
    return locked == OpenResult::Opened ? openLocked() : locked;
}

BookFile::OpenResult BookFile::lock() {
    const QByteArray path = QFile::encodeName(databasePath());
    m_lockFd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (m_lockFd < 0) {
        m_failure = QString::fromLocal8Bit(std::strerror(errno));
        return OpenResult::Failed;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_lockFd);
        m_lockFd = -1;
        if (error == EWOULDBLOCK) {
            return OpenResult::AlreadyRunning;
        }
        m_failure = QString::fromLocal8Bit(std::strerror(error));
        return OpenResult::Failed;
    }
    return OpenResult::Opened;
}

BookFile::OpenResult BookFile::openLocked() {
    try {
        // The first read rolls back a transaction a crash left half-written, so the copies below
        // are taken of a consistent book.
        Database db = Database::open(databasePath(), schema::databasePassword());
        for (const QString &table :
             {QStringLiteral("parcelbook"), QStringLiteral("list"), QStringLiteral("setting")}) {
            if (!db.hasTable(table)) {
                m_failure = QStringLiteral("缺少数据表 ") + table;
                return OpenResult::Failed;
            }
        }
        // An older book gains the tables this program keeps beside the parcel book.
        ProgressStore::addMissingTables(db);
        m_database.emplace(std::move(db));
    } catch (const StoreError &error) {
        m_failure = error.description();
        return OpenResult::Failed;
    }
    if (!copyBookTo(backupPath())) {
        m_database.reset();
        return OpenResult::Failed;
    }
    keepStartGeneration();
    return OpenResult::Opened;
}

bool BookFile::copyBookTo(const QString &target) {
    QFile source(databasePath());
    if (!source.open(QIODevice::ReadOnly)) {
        m_failure = source.errorString();
        return false;
    }
    // A temporary file is created readable by its owner only.
    QTemporaryFile copy(target + QStringLiteral(".XXXXXX"));
    if (!copy.open()) {
        m_failure = copy.errorString();
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        if (block.isEmpty() && source.error() != QFile::NoError) {
            m_failure = source.errorString();
            return false;
        }
        if (copy.write(block) != block.size()) {
            m_failure = copy.errorString();
            return false;
        }
    }
    if (!copy.flush() || ::fsync(copy.handle()) != 0 ||
        ::rename(QFile::encodeName(copy.fileName()).constData(), QFile::encodeName(target).constData()) !=
            0) {
        m_failure =
            copy.errorString().isEmpty() ? QString::fromLocal8Bit(std::strerror(errno)) : copy.errorString();
        return false;
    }
    copy.setAutoRemove(false);
    return true;
}

bool BookFile::keepGeneration(const QString &reason) {
    if (!QDir().mkpath(generationsPath()) ||
        !QFile::setPermissions(generationsPath(),
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        m_failure = QStringLiteral("无法创建备份目录 ") + generationsPath();
        return false;
    }
    QString name = generationPrefix + m_today.toString(QStringLiteral("yyyy-MM-dd"));
    if (!reason.isEmpty()) {
        name += QLatin1Char('-') + reason + QLatin1Char('-') +
                QTime::currentTime().toString(QStringLiteral("HHmmsszzz"));
    }
    const QString target = generationsPath() + QLatin1Char('/') + name + QStringLiteral(".mdb");
    if (reason.isEmpty() && QFile::exists(target)) {
        return true;
    }
    const bool kept = copyBookTo(target);
    pruneGenerations();
    return kept;
}

void BookFile::keepStartGeneration() {
    // A generation that cannot be written does not stop the start: the backup above was.
    keepGeneration(QString());
}

void BookFile::pruneGenerations() {
    QDir folder(generationsPath());
    const QStringList names =
        folder.entryList({generationPrefix + QStringLiteral("*.mdb")}, QDir::Files, QDir::Name);
    QList<QDate> days;
    for (const QString &name : names) {
        const QDate day = generationDate(name);
        if (day.isValid() && !days.contains(day)) {
            days.append(day);
        }
    }
    std::sort(days.begin(), days.end());
    if (days.size() <= keptDays) {
        return;
    }
    const QDate oldestKept = days.at(days.size() - keptDays);
    for (const QString &name : names) {
        const QDate day = generationDate(name);
        if (day.isValid() && day < oldestKept) {
            folder.remove(name);
        }
    }
}

void BookFile::close() {
    if (m_database) {
        m_database->close();
    }
}
