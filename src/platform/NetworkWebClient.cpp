// Asynchronous HTTP requests with their bodies decoded as text.
#include "platform/NetworkWebClient.h"

#include "platform/BodyDecoder.h"
#include "platform/PlatformModules.h"
#include "platform/TransferFailure.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

namespace {

// How much of a body is read at a time, and how far the engine may read ahead of that.
constexpr qint64 readBlock = 64 * 1024;

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
    // Named here, so the engine leaves the body as it came and BodyDecoder undoes the encoding while
    // counting: the engine's own decoding takes a body cut short as complete.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // Every redirect is looked at (in watch) before it is followed: the address carries the account.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(0);
    return request;
}

// A redirect keeps to the host first asked and never from https to http, so the account's keys in the
// address go nowhere else and never in the clear.
bool mayFollow(const QUrl &from, const QUrl &to) {
    const bool downgrade = from.scheme() == QLatin1String("https") && to.scheme() != QLatin1String("https");
    return !downgrade && to.host().compare(from.host(), Qt::CaseInsensitive) == 0;
}

// Whether a JSON text stops before its document closes: a cut answer, not a malformed one. A body
// that does not open as JSON is left to the reader of the answer.
bool jsonCutShort(const QByteArray &body) {
    const QByteArray text = body.trimmed();
    if (!text.startsWith('{') && !text.startsWith('[')) {
        return false;
    }
    QJsonParseError error{};
    QJsonDocument::fromJson(text, &error);
    if (error.error == QJsonParseError::NoError) {
        return false;
    }
    // The parser stops where it could not go on: at the end, at the first byte of a character cut in
    // two, or one past the first letter of a true, false or null cut short.
    const QByteArray rest = text.mid(error.offset);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(rest);
    const QByteArray word = text.mid(qMax(0, error.offset - 1));
    const bool wordCut =
        error.error == QJsonParseError::IllegalValue &&
        (QByteArrayView("true").startsWith(word) || QByteArrayView("false").startsWith(word) ||
         QByteArrayView("null").startsWith(word));
    return rest.isEmpty() || (decoded.isEmpty() && !utf8.hasError()) || wordCut;
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

WebClient *parcelbook_create_web_client() {
    return new NetworkWebClient;
}

NetworkWebClient::NetworkWebClient(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this)) {}

QObject *NetworkWebClient::get(const QString &url, QObject *receiver,
                               std::function<void(const WebReply &)> done, WebLimits limits) {
    QNetworkReply *reply = m_network->get(requestFor(url));
    watch(reply, receiver, std::move(done), limits);
    return reply;
}

void NetworkWebClient::head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                            WebLimits limits) {
    watch(m_network->head(requestFor(url)), receiver, std::move(done), limits);
}

void NetworkWebClient::watch(QNetworkReply *reply, QObject *receiver,
                             std::function<void(const WebReply &)> done, WebLimits limits) {
    // The engine reads ahead of the reader only this far, so what the process holds is the decoder's
    // cap and a block or two; without it the network thread fills memory as fast as bytes arrive.
    reply->setReadBufferSize(readBlock);
    auto redirectedAway = std::make_shared<bool>(false);
    // Taken now: by the time a redirect is announced, the reply's own address is already its target.
    connect(reply, &QNetworkReply::redirected, reply,
            [reply, redirectedAway, asked = reply->url()](const QUrl &target) {
                if (mayFollow(asked, target)) {
                    Q_EMIT reply->redirectAllowed();
                    return;
                }
                *redirectedAway = true;
                reply->abort();
            });
    if (limits.timeoutMs > 0) {
        // A timer of its own (named, so a test can make it fire) ends a request that takes too long.
        auto *limit = new QTimer(reply);
        limit->setObjectName(QStringLiteral("requestLimit"));
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, reply, &QNetworkReply::abort);
        limit->start(limits.timeoutMs);
    }
    // The body is taken out of the reply as it arrives and counted, chunked or not: nothing over the
    // limit is ever held, and the transfer stops as soon as the count passes it.
    auto body = std::make_shared<std::optional<BodyDecoder>>();
    auto tooLarge = std::make_shared<bool>(false);
    const auto take = [reply, body, limits] {
        if (!reply->isOpen()) {
            return;
        }
        if (!*body) {
            body->emplace(reply->rawHeader("Content-Encoding"), limits.maxBytes);
        }
        // Read a block at a time, so what is held is the cap and one block at most.
        while (reply->bytesAvailable() > 0) {
            if (!(*body)->add(reply->read(readBlock))) {
                reply->abort();
                return;
            }
        }
    };
    connect(reply, &QNetworkReply::readyRead, reply, take);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, limits, tooLarge](qint64, qint64 total) {
        if (total > limits.maxBytes) {
            *tooLarge = true;
            reply->abort();
        }
    });
    // A request nobody waits for any longer stops reading at once.
    // It is told nothing: the receiver is already half gone.
    connect(receiver, &QObject::destroyed, reply, [reply, receiver] {
        disconnect(reply, nullptr, receiver, nullptr);
        reply->abort();
    });
    // The reply goes once finished even when its receiver has gone or stopped listening.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    connect(reply, &QNetworkReply::finished, receiver,
            [reply, body, take, tooLarge, redirectedAway, limits, done = std::move(done)] {
                take();
                WebReply answer;
                answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                answer.dateHeader = QString::fromLatin1(reply->rawHeader("Date"));
                // A body whose encoding broke off (gzip cut short, garbage inside) is no answer either.
                // No body at all (a HEAD request, an empty answer) is an empty body, whatever its encoding.
                const bool bodyWhole =
                    !*body || ((*body)->finish() && !(limits.json && jsonCutShort((*body)->body())));
                const bool failed = !completed(*reply, answer.status) || !bodyWhole || *redirectedAway;
                if (*redirectedAway) {
                    answer.failure = Failure{QStringLiteral("服务器转到了其他网站,没有跟随"), {}};
                } else if (*tooLarge || (*body && (*body)->body().size() > limits.maxBytes)) {
                    answer.failure = Failure{QStringLiteral("回答过大"), {}};
                } else if (!bodyWhole) {
                    answer.failure = Failure{QStringLiteral("回答不完整"), {}};
                } else if (failed) {
                    answer.failure = Failure{transferFailureReason(reply->error(), reply->errorString()),
                                             reply->errorString()};
                } else if (*body) {
                    answer.body =
                        decode((*body)->body(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
                }
                done(answer);
            });
}
