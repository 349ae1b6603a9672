// The demo service's HTTP side: one loopback listener, one request per connection.
#pragma once

#include <QObject>
#include <QString>
#include <QTcpServer>

class DemoTracking;
class HttpRequest;
class QTcpSocket;

class DemoServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DemoServer)

public:
    DemoServer(const DemoTracking &tracking, QString versionText, QObject *parent = nullptr);

    // Port 0 lets the system pick a free one.
    bool listen(quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const HttpRequest &request);

    const DemoTracking &m_tracking;
    QString m_versionText;
    QTcpServer m_server;
};
