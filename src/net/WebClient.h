// Web access: GET a body (and HEAD a header) without ever blocking the window.
#pragma once

#include "text/Failure.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

struct WebReply {
    QString body;   // decoded in the server's character set; empty on any failure
    int status = 0; // HTTP status, 0 when no answer arrived
    QString dateHeader;
    // Why the transfer did not complete: no answer, cut off, over its size or time limit. Nothing of
    // what came then counts. An answer with an error status (404, 502) is complete, not failed.
    std::optional<Failure> failure;
    bool ok() const { return !failure && status >= 200 && status < 300; }
};

// How long a request may take and how much it may bring; past either it is a failed transfer.
struct WebLimits {
    int timeoutMs = 0; // 0: no time limit
    qint64 maxBytes = 64 * 1024;
    // The answer is a JSON document: one that stops before the document closes was cut short, whatever
    // the transfer said. The network engine takes a chunk-size line it cannot read for the last chunk
    // and ends the body there without an error, so a broken chunked answer shows only in what it holds.
    bool json = false;
};
// A tracking answer may list many entries; other texts the program fetches are short.
inline constexpr qint64 trackingAnswerCap = 16 * 1024 * 1024;

class WebClient final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebClient)

public:
    explicit WebClient(QObject *parent = nullptr);

    // `GetBody`: fetches the url and calls back with the reply once it has arrived. The call back
    // runs only while `receiver` lives, so an answer that outlives its window is dropped safely.
    // The reply is returned so that its owner can abort it; it deletes itself once finished.
    QNetworkReply *get(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                       WebLimits limits = {});
    void head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
              WebLimits limits);

private:
    static void watch(QNetworkReply *reply, QObject *receiver, std::function<void(const WebReply &)> done,
                      WebLimits limits);

    QNetworkAccessManager *m_network;
};
