// HttpStub: a scripted HTTP/1.1 server on 127.0.0.1 that tests point the program's network calls at.
#include "HttpStub.h"

#include <QDateTime>
#include <QHostAddress>
#include <QLocale>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// HTTP-date (IMF-fixdate) is always English and GMT, whatever the machine's locale.
QByteArray httpDateNow() {
    return QLocale::c()
        .toString(QDateTime::currentDateTimeUtc(), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'"_s)
        .toLatin1();
}

bool hasHeader(const HttpStub::Headers &headers, const QByteArray &name) {
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QByteArray HttpStub::Request::header(const QByteArray &name) const {
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

HttpStub::HttpStub(QObject *parent)
    : QObject(parent) {
    qRegisterMetaType<HttpStub::Request>();
    connect(&m_server, &QTcpServer::newConnection, this, &HttpStub::acceptConnections);
}

HttpStub::~HttpStub() {
    m_server.close();
    // The sockets would otherwise announce their end to this half-destroyed object.
    const auto sockets = m_server.findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool HttpStub::listen() {
    return m_server.isListening() || m_server.listen(QHostAddress::LocalHost, 0);
}

QString HttpStub::baseUrl() const {
    return u"http://127.0.0.1:%1"_s.arg(port());
}

quint16 HttpStub::port() const {
    return m_server.serverPort();
}

void HttpStub::answer(const QString &path, const QByteArray &body, int status, Headers headers) {
    m_scripts[path].standing = Answer{body, status, std::move(headers), false};
}

void HttpStub::answerOnce(const QString &path, const QByteArray &body, int status, Headers headers) {
    m_scripts[path].queued.append(Answer{body, status, std::move(headers), false});
}

void HttpStub::delay(const QString &path, int milliseconds) {
    m_scripts[path].delayMs = qMax(0, milliseconds);
}

void HttpStub::neverAnswer(const QString &path) {
    m_scripts[path].holding = true;
}

void HttpStub::release(const QString &path) {
    m_scripts[path].holding = false;
    const QList<Held> held = m_held.take(path);
    for (const Held &request : held) {
        if (request.socket)
            reply(request.socket, path, request.head);
    }
}

int HttpStub::heldOpen(const QString &path) const {
    int open = 0;
    for (const Held &request : m_held.value(path)) {
        open += request.socket && request.socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    }
    return open;
}

void HttpStub::answerCut(const QString &path, const QByteArray &body, qsizetype bytes) {
    m_scripts[path].standing = Answer{body, 200, {}, false, bytes};
}

void HttpStub::answerEndlessly(const QString &path, const QByteArray &chunk, const QByteArray &start,
                               Headers headers) {
    headers.append(qMakePair(QByteArray("Transfer-Encoding"), QByteArray("chunked")));
    Answer endless{chunk, 200, headers};
    endless.endless = true;
    endless.endlessStart = start;
    m_scripts[path].standing = endless;
}

void HttpStub::stopHolding(const QString &path) {
    m_scripts[path].holding = false;
}

void HttpStub::closeWithoutAnswer(const QString &path) {
    m_scripts[path].standing = Answer{{}, 0, {}, true};
}

QList<HttpStub::Request> HttpStub::requests() const {
    return m_requests;
}

QList<HttpStub::Request> HttpStub::requests(const QString &path) const {
    QList<Request> matching;
    for (const Request &request : m_requests) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

int HttpStub::count(const QString &path) const {
    return int(requests(path).size());
}

void HttpStub::clearRequests() {
    m_requests.clear();
}

void HttpStub::acceptConnections() {
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_incoming.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_incoming.remove(socket);
            socket->deleteLater();
        });
        // Bytes may have come with the connection, before readyRead was connected.
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void HttpStub::readFrom(QTcpSocket *socket) {
    const auto incoming = m_incoming.find(socket);
    if (incoming == m_incoming.end()) {
        // One request per connection: whatever follows it is not looked at.
        socket->readAll();
        return;
    }
    QByteArray &buffer = *incoming;
    buffer.append(socket->readAll());
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;

    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    // The target may hold raw spaces, so the method ends at the first space and the version
    // starts after the last one.
    const QByteArray requestLine = lines.first().trimmed();
    const qsizetype firstSpace = requestLine.indexOf(' ');
    const qsizetype lastSpace = requestLine.lastIndexOf(' ');
    if (firstSpace <= 0 || lastSpace <= firstSpace + 1 ||
        !requestLine.mid(lastSpace + 1).startsWith("HTTP/")) {
        m_incoming.erase(incoming);
        send(socket, Answer{{}, 400, {}, false}, false);
        return;
    }

    Request request;
    request.method = requestLine.left(firstSpace);
    request.target = requestLine.mid(firstSpace + 1, lastSpace - firstSpace - 1);
    const qsizetype question = request.target.indexOf('?');
    request.path = QString::fromUtf8(question < 0 ? request.target : request.target.left(question));
    if (question >= 0)
        request.query = request.target.mid(question + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }

    const qsizetype bodyLength = request.header("Content-Length").toLongLong();
    if (buffer.size() < headEnd + 4 + bodyLength)
        return;

    m_incoming.erase(incoming);
    handle(socket, request);
}

void HttpStub::handle(QTcpSocket *socket, const Request &request) {
    m_requests.append(request);
    Q_EMIT requestArrived(request);

    const QString path = request.path;
    const bool head = request.method == "HEAD";
    const Script script = m_scripts.value(path);
    if (script.holding) {
        m_held[path].append(Held{socket, head});
        return;
    }
    if (script.delayMs > 0) {
        // The socket as context drops the answer if the client has gone away meanwhile.
        QTimer::singleShot(script.delayMs, socket, [this, socket, path, head] { reply(socket, path, head); });
        return;
    }
    reply(socket, path, head);
}

void HttpStub::reply(QTcpSocket *socket, const QString &path, bool head) {
    const Answer answer = nextAnswer(path);
    if (answer.closeOnly) {
        socket->close();
        return;
    }
    send(socket, answer, head);
}

HttpStub::Answer HttpStub::nextAnswer(const QString &path) {
    const auto script = m_scripts.find(path);
    if (script == m_scripts.end())
        return {};
    if (!script->queued.isEmpty())
        return script->queued.takeFirst();
    return script->standing.value_or(Answer{});
}

void HttpStub::send(QTcpSocket *socket, const Answer &answer, bool head) {
    // These statuses never carry a body, so they get no framing for one either.
    const bool bodyless = answer.status == 204 || answer.status == 304 || answer.status < 200;

    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status) + "\r\n";
    if (!hasHeader(answer.headers, "Content-Type"))
        response += "Content-Type: text/plain; charset=utf-8\r\n";
    if (!hasHeader(answer.headers, "Date"))
        response += "Date: " + httpDateNow() + "\r\n";
    for (const auto &[name, value] : answer.headers) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) != 0 &&
            name.compare("Connection", Qt::CaseInsensitive) != 0)
            response += name + ": " + value + "\r\n";
    }
    if (!bodyless && !answer.endless)
        response += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    if (answer.endless) {
        const QByteArray chunk = QByteArray::number(answer.body.size(), 16) + "\r\n" + answer.body + "\r\n";
        const QByteArray &start = answer.endlessStart;
        socket->write(response +
                      (start.isEmpty() ? QByteArray()
                                       : QByteArray::number(start.size(), 16) + "\r\n" + start + "\r\n") +
                      chunk);
        // The next chunk goes once the last has left, so the stub never holds more than one.
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, chunk] {
            if (socket->bytesToWrite() == 0 && socket->state() == QAbstractSocket::ConnectedState)
                socket->write(chunk);
        });
        return;
    }
    if (!head && !bodyless)
        response += answer.cutAfter < 0 ? answer.body : answer.body.left(answer.cutAfter);

    socket->write(response);
    socket->disconnectFromHost();
}
