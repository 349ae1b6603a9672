// Regular files opened without following a link or blocking on a pipe.
#include "text/SafeRead.h"

#include "text/FailureReason.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace saferead {

QString kindName(unsigned mode) {
    return S_ISLNK(mode)                    ? QStringLiteral("符号链接")
           : S_ISDIR(mode)                  ? QStringLiteral("文件夹")
           : S_ISFIFO(mode)                 ? QStringLiteral("管道")
           : S_ISSOCK(mode)                 ? QStringLiteral("套接字")
           : S_ISCHR(mode) || S_ISBLK(mode) ? QStringLiteral("设备文件")
                                            : QStringLiteral("特殊文件");
}

namespace {

QString openFailure(const QString &path, int error) {
    // O_NOFOLLOW fails with ELOOP on a link at the last step of the path.
    if (error == ELOOP) {
        return QStringLiteral("“%1”是符号链接,不是普通文件,没有读取").arg(QDir::toNativeSeparators(path));
    }
    // The Chinese reason says it all; a missing file is no news for the log.
    return QStringLiteral("无法读取“%1”:%2")
        .arg(QDir::toNativeSeparators(path), fileFailureReason(error, FileAccess::Read));
}

// The open file descriptor, or -1 with the reason.
int openDescriptor(const QString &path, QString &refused) {
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never come.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        refused = openFailure(path, errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        refused = openFailure(path, errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        refused = QStringLiteral("“%1”是%2,不是普通文件,没有读取")
                      .arg(QDir::toNativeSeparators(path), kindName(info.st_mode));
        ::close(fd);
        return -1;
    }
    // A regular file reads the same either way; reads go back to the usual blocking kind.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

std::unique_ptr<QFile> open(const QString &path, QString &refused) {
    const int fd = openDescriptor(path, refused);
    if (fd < 0) {
        return nullptr;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        refused = QStringLiteral("无法读取“%1”:%2")
                      .arg(QDir::toNativeSeparators(path),
                           fileFailureReason(file->error(), file->errorString(), FileAccess::Read));
        return nullptr;
    }
    return file;
}

} // namespace saferead
