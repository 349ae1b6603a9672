// A local socket named for the user and the book's folder carries a second start's request to the
// running copy.
#include "platform/InstanceChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

const QByteArray request = QByteArrayLiteral("come-forward\n");

QString channelName(const QString &bookPath) {
    const QByteArray folder = QFileInfo(bookPath).absoluteDir().canonicalPath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("parcelbook-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

} // namespace

InstanceChannel::InstanceChannel(QObject *parent)
    : QObject(parent) {}

bool InstanceChannel::listenFor(const QString &bookPath) {
    if (m_server) {
        return true;
    }
    const QString name = channelName(bookPath);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    if (!server->listen(name)) {
        qWarning("instance channel %s: %s", qPrintable(name), qPrintable(server->errorString()));
        delete server;
        return false;
    }
    m_server = server;
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    return;
                }
                if (socket->readLine() == request) {
                    Q_EMIT comeForwardAsked();
                }
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

bool InstanceChannel::askToComeForward(const QString &bookPath) {
    // The running copy answers from its event loop at once; a copy that is stuck is not waited for long.
    QLocalSocket socket;
    socket.connectToServer(channelName(bookPath));
    if (!socket.waitForConnected(1000)) {
        return false;
    }
    socket.write(request);
    const bool written = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return written;
}
