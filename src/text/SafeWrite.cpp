// Safe file writes: lstat before, a temporary file beside the target, a rename (or a link) after.
#include "text/SafeWrite.h"

#include "text/FailureReason.h"
#include "text/RegularFile.h"

#include <QDir>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString &path) {
    return QDir::toNativeSeparators(path);
}

// What was being done to the file, then why it failed; the C library's or Qt's words are kept for the log.
Failure systemFailure(const QString &doing, int error, FileAccess access = FileAccess::Write) {
    const QString detail = QString::fromLocal8Bit(std::strerror(error));
    return Failure{doing + fileFailureReason(error, access), detail};
}

Failure fileFailure(const QString &doing, const QFileDevice &file, FileAccess access = FileAccess::Write) {
    return Failure{doing + fileFailureReason(file.error(), file.errorString(), access), file.errorString()};
}

// The mode a new file gets from the process's umask, read without changing it (umask(2) would
// change it for every thread for a moment).
mode_t usualMode() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        while (!status.atEnd()) {
            const QByteArray line = status.readLine();
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok) {
                    return 0666 & ~mode_t(mask);
                }
            }
        }
    }
    return 0644;
}

} // namespace

SafeWrite::SafeWrite(QString target, Existing existing, Readers readers, const QString &shownAs)
    : m_target(std::move(target))
    , m_shown(shownAs.isEmpty() ? shown(m_target) : shown(shownAs))
    , m_existing(existing)
    , m_readers(readers) {}

SafeWrite::~SafeWrite() = default;

Outcome<> SafeWrite::writable(const QString &target, Existing existing, const QString &shownAs) {
    const QString named = shown(shownAs.isEmpty() ? target : shownAs);
    struct stat info {};
    if (::lstat(QFile::encodeName(target).constData(), &info) != 0) {
        if (errno == ENOENT) {
            return {};
        }
        return systemFailure(QStringLiteral("无法查看“%1”:").arg(named), errno, FileAccess::Read);
    }
    if (S_ISREG(info.st_mode)) {
        if (existing != Existing::Keep) {
            return {};
        }
        return Failure{QStringLiteral("“%1”已经存在,没有替换它").arg(named), {}};
    }
    if (existing == Existing::Supersede && !S_ISDIR(info.st_mode)) {
        return {};
    }
    return Failure{QStringLiteral("“%1”是%2,不是普通文件,没有写入").arg(named, nonRegularKind(info.st_mode)),
                   {}};
}

Outcome<> SafeWrite::begin() {
    if (Outcome<> allowed = writable(m_target, m_existing, m_shown); !allowed) {
        return allowed;
    }
    // A temporary file is created readable by its owner only.
    m_file = std::make_unique<QTemporaryFile>(m_target + QStringLiteral(".XXXXXX"));
    if (!m_file->open()) {
        return fileFailure(QStringLiteral("无法在“%1”旁写入:").arg(m_shown), *m_file);
    }
    if (m_readers == Readers::Usual && ::fchmod(m_file->handle(), usualMode()) != 0) {
        return systemFailure(QStringLiteral("无法写入“%1”:").arg(m_shown), errno);
    }
    return {};
}

QFile &SafeWrite::file() {
    return *m_file;
}

QString SafeWrite::temporaryPath() const {
    return m_file ? m_file->fileName() : QString();
}

Outcome<> SafeWrite::flush() {
    if (m_file->flush()) {
        return {};
    }
    return fileFailure(QStringLiteral("无法写入“%1”:").arg(m_shown), *m_file);
}

Outcome<> SafeWrite::commit() {
    if (Outcome<> flushed = flush(); !flushed) {
        return flushed;
    }
    // The file's own error says nothing of a failed fsync: its cause is in errno.
    if (::fsync(m_file->handle()) != 0) {
        return systemFailure(QStringLiteral("无法写入“%1”:").arg(m_shown), errno);
    }
    // Looked at again just before: what the name points at may have changed while the content was
    // written.
    if (Outcome<> allowed = writable(m_target, m_existing, m_shown); !allowed) {
        return allowed;
    }
    const QByteArray from = QFile::encodeName(m_file->fileName());
    const QByteArray to = QFile::encodeName(m_target);
    // A name that must be new is linked, which fails rather than replaces when one appeared meanwhile.
    const bool placed = m_existing == Existing::Keep ? ::link(from.constData(), to.constData()) == 0
                                                     : ::rename(from.constData(), to.constData()) == 0;
    if (!placed) {
        return systemFailure(QStringLiteral("无法写入“%1”:").arg(m_shown), errno);
    }
    if (m_existing != Existing::Keep) {
        m_file->setAutoRemove(false);
    }
    m_file.reset();
    return {};
}

Outcome<> SafeWrite::write(const QString &target, const QByteArray &bytes, Existing existing,
                           Readers readers) {
    SafeWrite writing(target, existing, readers);
    if (Outcome<> begun = writing.begin(); !begun) {
        return begun;
    }
    if (writing.file().write(bytes) != bytes.size()) {
        return fileFailure(QStringLiteral("无法写入“%1”:").arg(writing.m_shown), writing.file());
    }
    return writing.commit();
}

Outcome<> SafeWrite::copyFrom(const QString &source) {
    const Outcome<std::unique_ptr<QFile>> opened = openRegularFile(source);
    if (!opened) {
        return opened.failure();
    }
    QFile *const from = opened->get();
    while (!from->atEnd()) {
        const QByteArray block = from->read(1 << 20);
        if (block.isEmpty() && from->error() != QFile::NoError) {
            return fileFailure(QStringLiteral("无法读取“%1”:").arg(shown(source)), *from, FileAccess::Read);
        }
        if (m_file->write(block) != block.size()) {
            return fileFailure(QStringLiteral("无法写入“%1”:").arg(m_shown), *m_file);
        }
    }
    return {};
}
