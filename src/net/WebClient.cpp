// Asynchronous HTTP requests with their bodies decoded as text.
#include "net/WebClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

namespace {

QString decode(const QByteArray &body, const QString &contentType) {
    const qsizetype at = contentType.indexOf(QStringLiteral("charset="), 0, Qt::CaseInsensitive);
    if (at >= 0) {
        const QString charset = contentType.mid(at + 8).section(QLatin1Char(';'), 0, 0).trimmed();
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid()) {
            return decoder.decode(body);
        }
    }
    return QString::fromUtf8(body);
}

QNetworkRequest requestFor(const QString &url) {
    // Values are pasted into the address as typed; tolerant parsing keeps them as they are.
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setRawHeader("If-Modified-Since", "0");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(0);
    return request;
}

} // namespace

WebClient::WebClient(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this)) {}

QNetworkReply *WebClient::get(const QString &url, QObject *receiver,
                              std::function<void(const WebReply &)> done, int timeoutMs) {
    QNetworkReply *reply = m_network->get(requestFor(url));
    watch(reply, receiver, std::move(done), timeoutMs);
    return reply;
}

void WebClient::head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                     int timeoutMs) {
    watch(m_network->head(requestFor(url)), receiver, std::move(done), timeoutMs);
}

void WebClient::watch(QNetworkReply *reply, QObject *receiver, std::function<void(const WebReply &)> done,
                      int timeoutMs) {
    if (timeoutMs > 0) {
        QTimer::singleShot(timeoutMs, reply, [reply] { reply->abort(); });
    }
    // The reply goes once finished even when its receiver has gone or stopped listening.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    connect(reply, &QNetworkReply::finished, receiver, [reply, done = std::move(done)] {
        WebReply answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.dateHeader = QString::fromLatin1(reply->rawHeader("Date"));
        if (reply->error() == QNetworkReply::NoError || answer.status != 0) {
            answer.body =
                decode(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
        }
        done(answer);
    });
}
