// Guards and opens the database file.
#include "store/BookFile.h"

#include "store/Schema.h"
#include "store/StoreError.h"

#include <QFile>
#include <QSaveFile>

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

BookFile::BookFile(QString programDir)
    : m_programDir(std::move(programDir)) {}

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

void BookFile::openInBackground() {
    m_opening = std::async(std::launch::async, [this] {
        startWithCleanVectorRegisters();
        return openHere();
    });
}

BookFile::OpenResult BookFile::open() {
    return m_opening.valid() ? m_opening.get() : openHere();
}

BookFile::OpenResult BookFile::openHere() {
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
    if (!copyBackup()) {
        return OpenResult::Failed;
    }
    try {
        Database db = Database::open(databasePath(), schema::databasePassword());
        for (const QString &table :
             {QStringLiteral("parcelbook"), QStringLiteral("list"), QStringLiteral("setting")}) {
            if (!db.hasTable(table)) {
                m_failure = QStringLiteral("缺少数据表 ") + table;
                return OpenResult::Failed;
            }
        }
        m_database.emplace(std::move(db));
    } catch (const StoreError &error) {
        m_failure = error.description();
        return OpenResult::Failed;
    }
    return OpenResult::Opened;
}

bool BookFile::copyBackup() {
    // Written under a temporary name and renamed, so a crash mid-copy never leaves a cut backup.
    QFile source(databasePath());
    QSaveFile backup(backupPath());
    if (!source.open(QIODevice::ReadOnly) || !backup.open(QIODevice::WriteOnly)) {
        m_failure = source.isOpen() ? backup.errorString() : source.errorString();
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        if (block.isEmpty() && source.error() != QFile::NoError) {
            m_failure = source.errorString();
            return false;
        }
        if (backup.write(block) != block.size()) {
            m_failure = backup.errorString();
            return false;
        }
    }
    if (!backup.commit()) {
        m_failure = backup.errorString();
        return false;
    }
    return true;
}

void BookFile::close() {
    if (m_database) {
        m_database->close();
    }
}
