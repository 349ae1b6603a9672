// The single-instance lock: an exclusive flock on the book's file, held for the run.
#pragma once

#include "text/Failure.h"

#include <QString>

// The kernel drops the lock when the process dies, even by kill -9, so a crash never leaves a stale
// one. Held while the object lives.
class BookLock final {
public:
    BookLock() = default;
    BookLock(BookLock &&other) noexcept;
    BookLock &operator=(BookLock &&other) noexcept;
    BookLock(const BookLock &) = delete;
    BookLock &operator=(const BookLock &) = delete;
    ~BookLock();

    // Locks the regular file at the path, never through a link and never waiting on a pipe. Fails
    // HeldElsewhere when another copy of the program holds it, and Damaged when no file is at the
    // name: a book gone is recovered from a copy, as a damaged one is.
    static Outcome<BookLock> take(const QString &path);
    // Locks the file open at `handle` (a restored book, before it gets the book's name) through a
    // duplicate of the handle, so the lock outlives the handle's closing.
    static Outcome<BookLock> onOpenFile(int handle);

    bool held() const { return m_fd >= 0; }

private:
    explicit BookLock(int fd)
        : m_fd(fd) {}

    int m_fd = -1;
};
