// Preloaded into a program under test (LD_PRELOAD), it makes the disk fail one chosen call the way a
// full or failing disk does, so a test can see what the program says and leaves behind.
//
//   PARCELBOOK_FAULT_CALLS   which calls are counted, a comma list of: write (write, pwrite),
//                            fsync (fsync, fdatasync), rename, link (link, linkat), create (an open
//                            with O_CREAT, creat)
//   PARCELBOOK_FAULT_AT      the counted call that fails, 1 for the first; unset or 0 fails none
//   PARCELBOOK_FAULT_ERRNO   ENOSPC (the default) or EIO
//   PARCELBOOK_FAULT_STICKY  1: every counted call from that one on fails, as a disk that stays full
//   PARCELBOOK_FAULT_UNDER   only files under this folder count (a test's program folder)
//   PARCELBOOK_FAULT_REPORT  a file that gets, at exit, how many calls were counted and the number
//                            of the one that failed
//
// Only regular files count: the program's pipes, sockets and event descriptors keep working, so it
// can still say what went wrong.
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace {

enum Kind : unsigned { Write = 1, Fsync = 2, Rename = 4, Link = 8, Create = 16 };

struct Settings {
    unsigned kinds = 0;
    long at = 0;
    int error = ENOSPC;
    bool sticky = false;
    std::string under;
    std::string report;
};

// Read once and never destroyed: the report at exit still needs it after the statics have gone.
const Settings &settings() {
    static const Settings &read = *[] {
        auto *made = new Settings;
        Settings &s = *made;
        if (const char *calls = std::getenv("PARCELBOOK_FAULT_CALLS")) {
            const std::string list = std::string(",") + calls + ",";
            const std::pair<const char *, Kind> names[] = {
                {"write", Write}, {"fsync", Fsync}, {"rename", Rename}, {"link", Link}, {"create", Create}};
            for (const auto &[name, kind] : names) {
                if (list.find(std::string(",") + name + ",") != std::string::npos) {
                    s.kinds |= kind;
                }
            }
        }
        if (const char *at = std::getenv("PARCELBOOK_FAULT_AT")) {
            s.at = std::strtol(at, nullptr, 10);
        }
        if (const char *error = std::getenv("PARCELBOOK_FAULT_ERRNO")) {
            s.error = std::strcmp(error, "EIO") == 0 ? EIO : ENOSPC;
        }
        if (const char *sticky = std::getenv("PARCELBOOK_FAULT_STICKY")) {
            s.sticky = std::strcmp(sticky, "1") == 0;
        }
        if (const char *under = std::getenv("PARCELBOOK_FAULT_UNDER")) {
            s.under = under;
            if (!s.under.empty() && s.under.back() != '/') {
                s.under += '/';
            }
        }
        if (const char *report = std::getenv("PARCELBOOK_FAULT_REPORT")) {
            s.report = report;
        }
        return made;
    }();
    return read;
}

std::atomic<long> counted{0};
std::atomic<long> failedAt{0};

template <typename Function> Function real(const char *name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The library's own function of that name, looked up once.
#define NEXT(name, type) static const auto next = real<type>(name)

bool isUnder(const std::string &path) {
    const std::string &under = settings().under;
    // The slash lets the folder itself count (a temporary file made nameless in it).
    return under.empty() || (path + "/").compare(0, under.size(), under) == 0;
}

std::string pathOfDescriptor(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t length = readlink(link, target, sizeof target - 1);
    return length > 0 ? std::string(target, size_t(length)) : std::string();
}

// A name as the kernel resolves it: relative names start at the folder descriptor or the working folder.
std::string fullPath(int folder, const char *path) {
    if (path == nullptr) {
        return {};
    }
    if (path[0] == '/') {
        return path;
    }
    std::string base;
    if (folder == AT_FDCWD) {
        char cwd[4096];
        base = getcwd(cwd, sizeof cwd) ? cwd : "";
    } else {
        base = pathOfDescriptor(folder);
    }
    return base + "/" + path;
}

bool regularFileUnder(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && isUnder(pathOfDescriptor(fd));
}

// Counts the call when it is of a chosen kind on a file that counts (asked only then); true when
// this one fails.
template <typename Counts> bool failsNow(Kind kind, Counts counts) {
    const Settings &s = settings();
    if ((s.kinds & kind) == 0 || !counts()) {
        return false;
    }
    const long number = ++counted;
    if (s.at <= 0 || number < s.at || (number > s.at && !s.sticky)) {
        return false;
    }
    long none = 0;
    failedAt.compare_exchange_strong(none, number);
    errno = s.error;
    return true;
}

__attribute__((destructor)) void reportCounts() {
    const Settings &s = settings();
    if (s.report.empty()) {
        return;
    }
    const int fd = real<int (*)(const char *, int, ...)>("open")(
        s.report.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%ld %ld\n", counted.load(), failedAt.load());
    real<ssize_t (*)(int, const void *, size_t)>("write")(fd, line, size_t(length));
    close(fd);
}

bool creates(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

mode_t modeOf(int flags, va_list arguments) {
    return creates(flags) ? mode_t(va_arg(arguments, int)) : 0;
}

// An open that would create a file in the book's folder counts, and may be the one that fails.
bool failsToCreate(int folder, const char *path, int flags) {
    return failsNow(Create, [&] { return creates(flags) && isUnder(fullPath(folder, path)); });
}

} // namespace

extern "C" {

ssize_t write(int fd, const void *bytes, size_t size) {
    NEXT("write", ssize_t(*)(int, const void *, size_t));
    return failsNow(Write, [fd] { return regularFileUnder(fd); }) ? -1 : next(fd, bytes, size);
}

ssize_t pwrite(int fd, const void *bytes, size_t size, off_t offset) {
    NEXT("pwrite", ssize_t(*)(int, const void *, size_t, off_t));
    return failsNow(Write, [fd] { return regularFileUnder(fd); }) ? -1 : next(fd, bytes, size, offset);
}

ssize_t pwrite64(int fd, const void *bytes, size_t size, off64_t offset) {
    NEXT("pwrite64", ssize_t(*)(int, const void *, size_t, off64_t));
    return failsNow(Write, [fd] { return regularFileUnder(fd); }) ? -1 : next(fd, bytes, size, offset);
}

int fsync(int fd) {
    NEXT("fsync", int (*)(int));
    return failsNow(Fsync, [fd] { return regularFileUnder(fd); }) ? -1 : next(fd);
}

int fdatasync(int fd) {
    NEXT("fdatasync", int (*)(int));
    return failsNow(Fsync, [fd] { return regularFileUnder(fd); }) ? -1 : next(fd);
}

int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned flags) noexcept {
    NEXT("renameat2", int (*)(int, const char *, int, const char *, unsigned));
    const auto counts = [&] {
        return isUnder(fullPath(fromFolder, from)) || isUnder(fullPath(toFolder, to));
    };
    return failsNow(Rename, counts) ? -1 : next(fromFolder, from, toFolder, to, flags);
}

int renameat(int fromFolder, const char *from, int toFolder, const char *to) noexcept {
    NEXT("renameat", int (*)(int, const char *, int, const char *));
    const auto counts = [&] {
        return isUnder(fullPath(fromFolder, from)) || isUnder(fullPath(toFolder, to));
    };
    return failsNow(Rename, counts) ? -1 : next(fromFolder, from, toFolder, to);
}

int rename(const char *from, const char *to) noexcept {
    NEXT("rename", int (*)(const char *, const char *));
    const auto counts = [&] {
        return isUnder(fullPath(AT_FDCWD, from)) || isUnder(fullPath(AT_FDCWD, to));
    };
    return failsNow(Rename, counts) ? -1 : next(from, to);
}

int linkat(int fromFolder, const char *from, int toFolder, const char *to, int flags) noexcept {
    NEXT("linkat", int (*)(int, const char *, int, const char *, int));
    return failsNow(Link, [&] { return isUnder(fullPath(toFolder, to)); })
               ? -1
               : next(fromFolder, from, toFolder, to, flags);
}

int link(const char *from, const char *to) noexcept {
    NEXT("link", int (*)(const char *, const char *));
    return failsNow(Link, [&] { return isUnder(fullPath(AT_FDCWD, to)); }) ? -1 : next(from, to);
}

int openat(int folder, const char *path, int flags, ...) {
    NEXT("openat", int (*)(int, const char *, int, ...));
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return failsToCreate(folder, path, flags) ? -1 : next(folder, path, flags, mode);
}

int openat64(int folder, const char *path, int flags, ...) {
    NEXT("openat64", int (*)(int, const char *, int, ...));
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return failsToCreate(folder, path, flags) ? -1 : next(folder, path, flags, mode);
}

int open(const char *path, int flags, ...) {
    NEXT("open", int (*)(const char *, int, ...));
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return failsToCreate(AT_FDCWD, path, flags) ? -1 : next(path, flags, mode);
}

int open64(const char *path, int flags, ...) {
    NEXT("open64", int (*)(const char *, int, ...));
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return failsToCreate(AT_FDCWD, path, flags) ? -1 : next(path, flags, mode);
}

int creat(const char *path, mode_t mode) {
    NEXT("creat", int (*)(const char *, mode_t));
    return failsNow(Create, [&] { return isUnder(fullPath(AT_FDCWD, path)); }) ? -1 : next(path, mode);
}

int creat64(const char *path, mode_t mode) {
    NEXT("creat64", int (*)(const char *, mode_t));
    return failsNow(Create, [&] { return isUnder(fullPath(AT_FDCWD, path)); }) ? -1 : next(path, mode);
}
}
