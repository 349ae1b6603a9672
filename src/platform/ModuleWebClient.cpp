// Making the web client from the module loaded on the first request.
#include "platform/ModuleWebClient.h"

#include "platform/PlatformModules.h"

#include <QObject>

ModuleWebClient::ModuleWebClient(QString moduleFolder)
    : m_moduleFolder(std::move(moduleFolder)) {}

ModuleWebClient::~ModuleWebClient() = default;

QObject *ModuleWebClient::get(const QString &url, QObject *receiver,
                              std::function<void(const WebReply &)> done, WebLimits limits) {
    WebClient *client = loaded(receiver, done);
    return client ? client->get(url, receiver, std::move(done), limits) : nullptr;
}

void ModuleWebClient::head(const QString &url, QObject *receiver, std::function<void(const WebReply &)> done,
                           WebLimits limits) {
    if (WebClient *client = loaded(receiver, done)) {
        client->head(url, receiver, std::move(done), limits);
    }
}

WebClient *ModuleWebClient::loaded(QObject *receiver, std::function<void(const WebReply &)> &done) {
    if (!m_client) {
        const Outcome<QFunctionPointer> create = platformmodules::resolve(
            m_moduleFolder, platformmodules::webFile(), "parcelbook_create_web_client");
        if (!create) {
            WebReply failed;
            failed.failure = Failure{QStringLiteral("网络模块 %1 无法加载").arg(platformmodules::webFile()),
                                     create.failure().detail};
            // Told from the event loop, as a transfer's end is, and only while the receiver lives.
            QMetaObject::invokeMethod(
                receiver, [done = std::move(done), failed] { done(failed); }, Qt::QueuedConnection);
            return nullptr;
        }
        m_client.reset(reinterpret_cast<decltype(&parcelbook_create_web_client)>(*create)());
    }
    return m_client.get();
}
