// A unix socket named for the user and the book's folder carries a second start's request to the
// running copy. It lies in the temporary folder where Qt's local sockets put the same name, so a copy
// still listening through them and a second start of this one understand each other.
#include "platform/InstanceChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray request = QByteArrayLiteral("come-forward\n");
// A caller that sends this much without ending its line is not a second start.
constexpr qsizetype longestLine = 64;

QString channelName(const QString &bookPath) {
    const QByteArray folder = QFileInfo(bookPath).absoluteDir().canonicalPath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("parcelbook-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

QByteArray channelPath(const QString &bookPath) {
    return QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + channelName(bookPath));
}

// False when the path is too long for a socket's address.
bool toAddress(const QByteArray &path, sockaddr_un &address) {
    address = {AF_UNIX, {}};
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    return path.size() < qsizetype(sizeof address.sun_path);
}

// A descriptor the window's event loop watches for reading; it is closed with its watcher.
class OwnedNotifier : public QSocketNotifier {
public:
    OwnedNotifier(int descriptor, QObject *parent)
        : QSocketNotifier(descriptor, QSocketNotifier::Read, parent) {}
    ~OwnedNotifier() override {
        setEnabled(false);
        ::close(int(socket()));
    }
};

// The listening socket; its name goes with it unless another copy, holding the book since, has put
// its own there.
class Listener final : public OwnedNotifier {
public:
    Listener(int descriptor, QByteArray path, QObject *parent)
        : OwnedNotifier(descriptor, parent)
        , m_path(std::move(path)) {
        ::stat(m_path.constData(), &m_placed);
    }
    ~Listener() override {
        struct stat now {};
        if (::stat(m_path.constData(), &now) == 0 && now.st_dev == m_placed.st_dev &&
            now.st_ino == m_placed.st_ino) {
            ::unlink(m_path.constData());
        }
    }

private:
    QByteArray m_path;
    struct stat m_placed {};
};

// The next waiting caller's connection, or -1 when none waits.
int nextCaller(int listening) {
    return int(TEMP_FAILURE_RETRY(::accept4(listening, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)));
}

// Adds what a caller has sent to its line; true once the call is settled by a full line, the end of
// the caller's bytes, a failed read or more bytes than a line holds.
bool readCall(int caller, QByteArray &line) {
    char bytes[longestLine];
    const ssize_t got = TEMP_FAILURE_RETRY(::read(caller, bytes, sizeof bytes));
    if (got < 0) {
        return errno != EAGAIN;
    }
    line.append(bytes, got);
    return got == 0 || line.contains('\n') || line.size() >= longestLine;
}

int refused(const QByteArray &path, const char *call, int error) {
    qWarning("instance channel %s: %s: %s", path.constData(), call, std::strerror(error));
    return -1;
}

// A socket listening at path, or -1 when that failed, said with the reason. It is bound inside a
// folder only the user may enter, made the user's alone, and only then renamed into place, so nobody
// else ever finds the name open to them; the rename takes over a name left behind by a killed copy.
int listeningSocket(const QByteArray &path) {
    sockaddr_un address{};
    if (!toAddress(path, address)) {
        return refused(path, "name", ENAMETOOLONG);
    }
    QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/parcelbook-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        return refused(path, "mkdtemp", errno);
    }
    const QByteArray bound = folder + "/s";
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const char *failed = nullptr;
    if (descriptor < 0) {
        failed = "socket";
    } else if (!toAddress(bound, address) ||
               ::bind(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        failed = "bind";
    } else if (::chmod(bound.constData(), S_IRUSR | S_IWUSR) != 0) {
        failed = "chmod";
    } else if (::listen(descriptor, SOMAXCONN) != 0) {
        failed = "listen";
    } else if (::rename(bound.constData(), path.constData()) != 0) {
        failed = "rename";
    }
    const int error = errno;
    if (failed && descriptor >= 0) {
        ::close(descriptor);
        ::unlink(bound.constData());
    }
    ::rmdir(folder.constData());
    return failed ? refused(path, failed, error) : descriptor;
}

} // namespace

InstanceChannel::InstanceChannel(QObject *parent)
    : QObject(parent) {}

bool InstanceChannel::listenFor(const QString &bookPath) {
    if (m_listener) {
        return true;
    }
    const QByteArray path = channelPath(bookPath);
    const int listening = listeningSocket(path);
    if (listening < 0) {
        return false;
    }
    m_listener = new Listener(listening, path, this);
    connect(m_listener, &QSocketNotifier::activated, this, [this, listening] {
        for (int caller = nextCaller(listening); caller >= 0; caller = nextCaller(listening)) {
            auto *connection = new OwnedNotifier(caller, this);
            connect(connection, &QSocketNotifier::activated, this,
                    [this, connection, caller, line = QByteArray()]() mutable {
                        if (!readCall(caller, line)) {
                            return;
                        }
                        if (line == request) {
                            Q_EMIT comeForwardAsked();
                        }
                        connection->setEnabled(false);
                        connection->deleteLater();
                    });
        }
    });
    return true;
}

bool InstanceChannel::askToComeForward(const QString &bookPath) {
    sockaddr_un address{};
    const int descriptor =
        toAddress(channelPath(bookPath), address) ? ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0) : -1;
    if (descriptor < 0) {
        return false;
    }
    // The running copy's kernel takes the connection at once, whatever its event loop is doing; only
    // a copy so stuck that its queue of callers is full is waited for, and not for long. An
    // interrupted connect of a unix socket has not connected, so it is simply made again.
    const timeval patience{1, 0};
    const auto *target = reinterpret_cast<const sockaddr *>(&address);
    const bool written = ::setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience) == 0 &&
                         TEMP_FAILURE_RETRY(::connect(descriptor, target, sizeof address)) == 0 &&
                         TEMP_FAILURE_RETRY(::send(descriptor, request.constData(), request.size(),
                                                   MSG_NOSIGNAL)) == request.size();
    ::close(descriptor);
    return written;
}
