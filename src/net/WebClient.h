// Web access: GET a body (and HEAD a header) without ever blocking the window.
#pragma once

#include "text/Failure.h"

#include <QString>

#include <functional>
#include <optional>

class QObject;

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

// Made by the network module (NetworkWebClient), which the program loads on its first request.
class WebClient {
public:
    WebClient() = default;
    WebClient(const WebClient &) = delete;
    WebClient &operator=(const WebClient &) = delete;
    virtual ~WebClient() = default;

    // `GetBody`: fetches the url and calls back with the reply once it has arrived, never inside this
    // call. The call back runs only while `receiver` lives: destroying the receiver aborts the
    // transfer and silences it, so an answer that outlives its window is dropped safely. Returns the
    // transfer, which deletes itself once finished, for a caller that follows its progress; none when
    // no transfer could start (the call back then says why).
    virtual QObject *get(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                         WebLimits limits = {}) = 0;
    virtual void head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                      WebLimits limits) = 0;
};
