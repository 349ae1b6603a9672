// HttpStub: a scripted HTTP/1.1 server on 127.0.0.1 that tests point the program's network calls at.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpServer>

#include <optional>

class QTcpSocket;

// Everything runs in the caller's event loop, so tests wait for answers with QTRY_* or qWaitFor.
// Every connection carries one request and is closed after the answer.
class HttpStub final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpStub)

public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request {
        QByteArray method;
        // The request target exactly as it stood on the request line, raw spaces and bytes included.
        QByteArray target;
        // The target up to the first '?'.
        QString path;
        // The bytes after the first '?'; empty when there is none.
        QByteArray query;
        Headers headers;

        // The value of the first header with this name, ignoring case; empty when absent.
        QByteArray header(const QByteArray &name) const;
    };

    explicit HttpStub(QObject *parent = nullptr);
    ~HttpStub() override;

    bool listen();
    // For example http://127.0.0.1:41234, without a trailing slash.
    QString baseUrl() const;
    quint16 port() const;

    // The standing answer of the path. It also ends a closeWithoutAnswer on that path.
    // Scripted headers replace the default Content-Type and Date; Content-Length and Connection
    // are always the stub's own.
    void answer(const QString &path, const QByteArray &body, int status = 200, Headers headers = {});
    // Queued answers go first, one per request, in the order they were queued.
    void answerOnce(const QString &path, const QByteArray &body, int status = 200, Headers headers = {});
    // 0 answers at once again.
    void delay(const QString &path, int milliseconds);
    // Requests to the path are read and recorded but left open until release() or the stub's end.
    void neverAnswer(const QString &path);
    void release(const QString &path);
    // New requests to the path are answered again; those already held stay open until release().
    void stopHolding(const QString &path);
    // Held requests to the path whose client has not closed the connection.
    int heldOpen(const QString &path) const;
    // Becomes the standing answer: the connection is closed before a single byte is sent.
    void closeWithoutAnswer(const QString &path);
    // Becomes the standing answer: the whole body's length is announced, then the connection is
    // closed after `bytes` bytes of it.
    void answerCut(const QString &path, const QByteArray &body, qsizetype bytes);

    // Becomes the standing answer: a chunked body of `start`, then `chunk` repeated without end, sent
    // as fast as the client reads, until the client closes the connection.
    void answerEndlessly(const QString &path, const QByteArray &chunk, const QByteArray &start = {},
                         Headers headers = {});

    QList<Request> requests() const;
    QList<Request> requests(const QString &path) const;
    int count(const QString &path) const;
    void clearRequests();

Q_SIGNALS:
    void requestArrived(const HttpStub::Request &request);

private:
    struct Answer {
        QByteArray body;
        int status = 404;
        Headers headers;
        bool closeOnly = false;
        qsizetype cutAfter = -1;
        bool endless = false;
        QByteArray endlessStart = {};
    };
    struct Script {
        std::optional<Answer> standing;
        QList<Answer> queued;
        int delayMs = 0;
        bool holding = false;
    };
    struct Held {
        QPointer<QTcpSocket> socket;
        bool head = false;
    };

    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    void handle(QTcpSocket *socket, const Request &request);
    void reply(QTcpSocket *socket, const QString &path, bool head);
    Answer nextAnswer(const QString &path);
    static void send(QTcpSocket *socket, const Answer &answer, bool head);

    QTcpServer m_server;
    // Connections still reading their request, with the bytes read so far.
    QHash<QTcpSocket *, QByteArray> m_incoming;
    QHash<QString, Script> m_scripts;
    QHash<QString, QList<Held>> m_held;
    QList<Request> m_requests;
};

Q_DECLARE_METATYPE(HttpStub::Request)
