// Web access through the network module, loaded on the first request: the window and the command line
// start without the network library and the libraries it pulls in.
#pragma once

#include "net/WebClient.h"

#include <memory>

class ModuleWebClient final : public WebClient {
public:
    // The module is looked for in moduleFolder. Without it a request fails naming the module's file
    // (the loader's words go to the log), and the next request tries again.
    explicit ModuleWebClient(QString moduleFolder);
    ~ModuleWebClient() override;

    QObject *get(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                 WebLimits limits = {}) override;
    void head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
              WebLimits limits) override;

private:
    // The module's client; none when the module could not be loaded, and `done` has been told why.
    WebClient *loaded(QObject *receiver, std::function<void(const WebReply &)> &done);

    const QString m_moduleFolder;
    std::unique_ptr<WebClient> m_client;
};
