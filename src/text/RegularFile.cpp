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

RegularFileContents refused(QString why) {
    return {RegularFileContents::Outcome::Refused, {}, std::move(why)};
}

RegularFileContents unreadable(const QString &path, int error) {
    return refused(quoted(path) + QStringLiteral("无法读取:") + fileFailureReason(error, FileAccess::Read));
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

RegularFileContents readRegularFile(const QString &path, qint64 cap) {
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer that may never come.
    const Descriptor file{
        ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT) {
            return {};
        }
        if (error == ELOOP && ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
            return refused(quoted(path) + QStringLiteral("是符号链接,不是普通文件"));
        }
        return unreadable(path, error);
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        return unreadable(path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return refused(quoted(path) + QStringLiteral("是%1,不是普通文件").arg(nonRegularKind(info.st_mode)));
    }
    if (info.st_size > cap) {
        return refused(quoted(path) + QStringLiteral("过大(超过 %1 KB)").arg(cap / 1024));
    }
    RegularFileContents contents{RegularFileContents::Outcome::Read, {}, {}};
    // One byte past the cap tells a file that grew since fstat.
    contents.bytes.resize(cap + 1);
    qint64 filled = 0;
    while (filled <= cap) {
        const ssize_t got = ::read(file.fd, contents.bytes.data() + filled, size_t(cap + 1 - filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return unreadable(path, errno);
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    if (filled > cap) {
        return refused(quoted(path) + QStringLiteral("过大(超过 %1 KB)").arg(cap / 1024));
    }
    contents.bytes.truncate(filled);
    return contents;
}
