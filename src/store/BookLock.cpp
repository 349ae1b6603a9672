// Taking the single-instance lock on the book's file.
#include "store/BookLock.h"

#include "text/FailureReason.h"
#include "text/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A failed system call's cause in Chinese; the C library's words go to the log.
Failure systemFailure(int error, FileAccess access) {
    const QString detail = QString::fromLocal8Bit(std::strerror(error));
    return Failure{fileFailureReason(error, access, detail), detail};
}

} // namespace

BookLock::BookLock(BookLock &&other) noexcept
    : m_fd(other.m_fd) {
    other.m_fd = -1;
}

BookLock &BookLock::operator=(BookLock &&other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

BookLock::~BookLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

Outcome<BookLock> BookLock::take(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    // A restore by another copy may give the name a new file between the open and the lock: the
    // lock only counts on the file the name holds once it is taken.
    for (int attempt = 0; attempt < 3; ++attempt) {
        BookLock lock(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!lock.held()) {
            const int error = errno;
            Failure failure = systemFailure(error, FileAccess::Read);
            if (error == ENOENT) {
                failure.kind = Failure::Kind::Damaged;
            } else if (error == ELOOP) {
                failure.reason = QStringLiteral("这是符号链接,不是普通文件");
            }
            return failure;
        }
        struct stat opened {};
        if (::fstat(lock.m_fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            if (S_ISDIR(opened.st_mode)) {
                return systemFailure(EISDIR, FileAccess::Read);
            }
            return Failure{QStringLiteral("这是%1,不是普通文件").arg(nonRegularKind(opened.st_mode)), {}};
        }
        if (::flock(lock.m_fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            Failure failure = systemFailure(error, FileAccess::Read);
            if (error == EWOULDBLOCK) {
                failure.kind = Failure::Kind::HeldElsewhere;
            }
            return failure;
        }
        struct stat named {};
        if (::lstat(name.constData(), &named) == 0 && named.st_ino == opened.st_ino &&
            named.st_dev == opened.st_dev) {
            return lock;
        }
    }
    return Failure{QStringLiteral("文件正被替换,请稍后再试"), {}};
}

Outcome<BookLock> BookLock::onOpenFile(int handle) {
    BookLock lock(::fcntl(handle, F_DUPFD_CLOEXEC, 0));
    if (!lock.held() || ::flock(lock.m_fd, LOCK_EX | LOCK_NB) != 0) {
        return systemFailure(errno, FileAccess::Write);
    }
    return lock;
}
