// Regular-file reads with open(2) and fstat(2): the check and the read are of the same open file.
#include "text/RegularFile.h"

#include "text/FailureReason.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString quoted(const QString &path) {
    return QStringLiteral("“%1”").arg(QDir::toNativeSeparators(path));
}

QString unreadable(const QString &path, int error) {
    return quoted(path) + QStringLiteral("无法读取:") + fileFailureReason(error, FileAccess::Read);
}

// A descriptor open for reading on a regular file.
Outcome<int> openRegularDescriptor(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer that may never come.
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        struct stat link {};
        // O_NOFOLLOW fails with ELOOP on a link at the last step of the path.
        if (error == ELOOP && ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
            return Failure{quoted(path) + QStringLiteral("是符号链接,不是普通文件")};
        }
        return Failure{
            unreadable(path, error), {}, error == ENOENT ? Failure::Kind::Missing : Failure::Kind::Plain};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return Failure{unreadable(path, error)};
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Failure{quoted(path) + QStringLiteral("是%1,不是普通文件").arg(nonRegularKind(info.st_mode))};
    }
    // A regular file reads the same either way; reads go back to the usual blocking kind.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Closes the descriptor on every way out of the read.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

} // namespace

QString nonRegularKind(mode_t mode) {
    return S_ISLNK(mode)                    ? QStringLiteral("符号链接")
           : S_ISDIR(mode)                  ? QStringLiteral("文件夹")
           : S_ISFIFO(mode)                 ? QStringLiteral("管道")
           : S_ISSOCK(mode)                 ? QStringLiteral("套接字")
           : S_ISCHR(mode) || S_ISBLK(mode) ? QStringLiteral("设备文件")
                                            : QStringLiteral("特殊文件");
}

Outcome<std::unique_ptr<QFile>> openRegularFile(const QString &path) {
    const Outcome<int> fd = openRegularDescriptor(path);
    if (!fd) {
        return fd.failure();
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(*fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(*fd);
        return Failure{quoted(path) + QStringLiteral("无法读取:") +
                       fileFailureReason(file->error(), file->errorString(), FileAccess::Read)};
    }
    return file;
}

Outcome<QByteArray> readRegularFile(const QString &path, qint64 cap) {
    const Outcome<int> opened = openRegularDescriptor(path);
    if (!opened) {
        return opened.failure();
    }
    const Descriptor file{*opened};
    const auto tooLarge = [&] {
        return Failure{quoted(path) + QStringLiteral("过大(超过 %1 KB)").arg(cap / 1024)};
    };
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        return Failure{unreadable(path, errno)};
    }
    if (info.st_size > cap) {
        return tooLarge();
    }
    // One byte past the cap tells a file that grew since fstat.
    QByteArray bytes(cap + 1, Qt::Uninitialized);
    qint64 filled = 0;
    while (filled <= cap) {
        const ssize_t got = ::read(file.fd, bytes.data() + filled, size_t(cap + 1 - filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Failure{unreadable(path, errno)};
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    if (filled > cap) {
        return tooLarge();
    }
    bytes.truncate(filled);
    return bytes;
}
