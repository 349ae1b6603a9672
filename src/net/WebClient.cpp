// Asynchronous HTTP requests with their bodies decoded as text.
#include "net/WebClient.h"

#include "text/FailureReason.h"

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
    // Tolerant parsing keeps an address as it was written, encoded values included.
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setRawHeader("If-Modified-Since", "0");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(0);
    return request;
}

// A transfer is complete when it ended without error, or when the only error is the HTTP status
// the server answered with (the whole answer came). Connection, timeout, abort and protocol errors,
// among them a body cut short of its announced length, leave it incomplete.
bool completed(const QNetworkReply &reply, int status) {
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError) {
        return true;
    }
    const bool statusError =
        (error >= QNetworkReply::ContentAccessDenied && error < QNetworkReply::ProtocolUnknownError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return status != 0 && statusError;
}

} // namespace

WebClient::WebClient(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this)) {}

QNetworkReply *WebClient::get(const QString &url, QObject *receiver,
                              std::function<void(const WebReply &)> done, WebLimits limits) {
    QNetworkReply *reply = m_network->get(requestFor(url));
    watch(reply, receiver, std::move(done), limits);
    return reply;
}

void WebClient::head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                     WebLimits limits) {
    watch(m_network->head(requestFor(url)), receiver, std::move(done), limits);
}

void WebClient::watch(QNetworkReply *reply, QObject *receiver, std::function<void(const WebReply &)> done,
                      WebLimits limits) {
    if (limits.timeoutMs > 0) {
        // A timer of its own (named, so a test can make it fire) ends a request that takes too long.
        auto *limit = new QTimer(reply);
        limit->setObjectName(QStringLiteral("requestLimit"));
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, reply, &QNetworkReply::abort);
        limit->start(limits.timeoutMs);
    }
    // Nothing over the limit is ever held: the transfer stops as soon as the size tells.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, limits](qint64 received, qint64 total) {
        if (received > limits.maxBytes || total > limits.maxBytes) {
            reply->abort();
        }
    });
    // The reply goes once finished even when its receiver has gone or stopped listening.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    connect(reply, &QNetworkReply::finished, receiver, [reply, limits, done = std::move(done)] {
        WebReply answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.dateHeader = QString::fromLatin1(reply->rawHeader("Date"));
        // A small answer may have come whole before its size was looked at.
        const bool tooLarge =
            reply->bytesAvailable() > limits.maxBytes ||
            reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > limits.maxBytes;
        answer.failed = tooLarge || !completed(*reply, answer.status);
        if (tooLarge) {
            answer.reason = QStringLiteral("回答过大");
        } else if (answer.failed) {
            answer.reason = transferFailureReason(reply->error(), reply->errorString());
        } else {
            answer.body =
                decode(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
        }
        done(answer);
    });
}
