// Web access: GET a body (and HEAD a header) without ever blocking the window.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

struct WebReply {
    QString body;   // decoded in the server's character set; empty on any failure
    int status = 0; // HTTP status, 0 when no answer arrived
    QString dateHeader;
    bool ok() const { return status >= 200 && status < 300; }
};

class WebClient final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebClient)

public:
    explicit WebClient(QObject *parent = nullptr);

    // `GetBody`: fetches the url and calls back with the reply once it has arrived. The call back
    // runs only while `receiver` lives, so an answer that outlives its window is dropped safely.
    // There is no time limit unless one is given. The reply is returned so that its owner can abort
    // it; it deletes itself once finished.
    QNetworkReply *get(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                       int timeoutMs = 0);
    void head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
              int timeoutMs);

private:
    static void watch(QNetworkReply *reply, QObject *receiver, std::function<void(const WebReply &)> done,
                      int timeoutMs);

    QNetworkAccessManager *m_network;
};
