// Web access over Qt Network: built into the network module, which the program loads on its first
// request, and linked directly by the tests that drive it.
#pragma once

#include "net/WebClient.h"

#include <QObject>

class QNetworkAccessManager;
class QNetworkReply;

class NetworkWebClient final : public QObject, public WebClient {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkWebClient)

public:
    explicit NetworkWebClient(QObject *parent = nullptr);

    QObject *get(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                 WebLimits limits = {}) override;
    void head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
              WebLimits limits) override;

private:
    static void watch(QNetworkReply *reply, QObject *receiver, std::function<void(const WebReply &)> done,
                      WebLimits limits);

    QNetworkAccessManager *m_network;
};
