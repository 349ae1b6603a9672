// Reading request heads, routing them to the demo answers and writing HTTP/1.1 replies with a real Date.
#include "DemoServer.h"

#include "DemoTracking.h"
#include "HttpRequest.h"

#include <QDateTime>
#include <QHostAddress>
#include <QLocale>
#include <QTcpSocket>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 maxHeadBytes = 16 * 1024;

const QByteArray jsonType = "application/json; charset=utf-8";
const QByteArray textType = "text/plain; charset=utf-8";
const QByteArray htmlType = "text/html; charset=utf-8";

struct Reply {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Error";
    }
}

// The program calibrates its clock from this header, so it follows the HTTP-date form exactly.
QByteArray httpDate() {
    return QLocale::c()
        .toString(QDateTime::currentDateTimeUtc(), u"ddd, dd MMM yyyy HH:mm:ss 'GMT'"_s)
        .toLatin1();
}

QByteArray page(const QString &title, const QString &text) {
    return (u"<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>"_s + title +
            u"</title></head>\n<body><h1>"_s + title + u"</h1><p>"_s + text + u"</p></body></html>\n"_s)
        .toUtf8();
}

void send(QTcpSocket *socket, const Reply &reply, bool headOnly) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) +
                      "\r\nDate: " + httpDate() + "\r\nServer: parcelbook-demo-service\r\n";
    if (reply.status == 405) {
        head += "Allow: GET, HEAD\r\n";
    }
    head += "Content-Type: " + reply.contentType +
            "\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(head);
    if (!headOnly) {
        socket->write(reply.body);
    }
    socket->disconnectFromHost();
}

} // namespace

DemoServer::DemoServer(const DemoTracking &tracking, QString versionText, QObject *parent)
    : QObject(parent)
    , m_tracking(tracking)
    , m_versionText(std::move(versionText)) {
    connect(&m_server, &QTcpServer::newConnection, this, &DemoServer::acceptConnections);
}

bool DemoServer::listen(quint16 port) {
    return m_server.listen(QHostAddress::LocalHost, port);
}

void DemoServer::acceptConnections() {
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void DemoServer::readRequest(QTcpSocket *socket) {
    // The head stays in the socket until it is complete, so a request split over packets needs no buffer
    // here.
    const QByteArray pending = socket->peek(socket->bytesAvailable());
    qsizetype end = pending.indexOf("\r\n\r\n");
    if (end < 0) {
        end = pending.indexOf("\n\n");
    }
    if (end < 0 && pending.size() <= maxHeadBytes) {
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->readAll();
    if (end < 0) {
        send(socket, {431, textType, u"请求头过长"_s.toUtf8()}, false);
        return;
    }
    const std::optional<HttpRequest> request = HttpRequest::parse(pending.left(end));
    if (!request) {
        send(socket, {400, textType, u"请求格式不正确"_s.toUtf8()}, false);
        return;
    }
    answer(socket, *request);
}

void DemoServer::answer(QTcpSocket *socket, const HttpRequest &request) {
    const bool headOnly = request.method() == "HEAD";
    if (!headOnly && request.method() != "GET") {
        send(socket, {405, textType, u"只支持 GET 和 HEAD"_s.toUtf8()}, false);
        return;
    }
    const QByteArray path = request.path();
    Reply reply;
    if (path == "/" && request.hasQuery()) {
        const std::optional<QByteArray> body = m_tracking.trackingAnswer(request);
        if (!body) {
            // The slow-service demo: the socket stays open, unanswered, until the client gives up.
            return;
        }
        reply = {200, jsonType, *body};
    } else if (path == "/") {
        reply = {200, htmlType,
                 page(u"岚舟包裹通演示服务"_s,
                      u"这是本机的演示服务，查件、单号识别、版本文件和公告都由它应答，无需联网即可试用。"_s)};
    } else if (path == "/autonumber/auto") {
        reply = {200, jsonType, m_tracking.recognitionAnswer(request.value(u"num"_s))};
    } else if (path == "/version/gx.txt") {
        reply = {200, textType, m_versionText.toUtf8()};
    } else if (path == "/data/tg.txt") {
        reply = {200, textType,
                 (u"岚舟包裹通演示服务上线|http://127.0.0.1:"_s + QString::number(port()) + u"/"_s).toUtf8()};
    } else if (path == "/tui.html") {
        reply = {200, htmlType, page(u"推荐给朋友"_s, u"把岚舟包裹通推荐给朋友，一起轻松查快递。"_s)};
    } else {
        reply = {404, textType, u"找不到该页面"_s.toUtf8()};
    }
    send(socket, reply, headOnly);
}
