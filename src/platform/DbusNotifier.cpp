// The notification service's calls, made asynchronously on the session bus.
#include "platform/DbusNotifier.h"

#include "platform/StandardBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace {

const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString servicePath = QStringLiteral("/org/freedesktop/Notifications");
const QString applicationId = QStringLiteral("cn.lanzhou.parcelbook");

QDBusMessage notificationsCall(const QString &method) {
    return QDBusMessage::createMethodCall(serviceName, servicePath, serviceName, method);
}

} // namespace

void DbusNotifier::notify(const DesktopNotification &notification) {
    if (m_bodyMarkup) {
        post(notification);
        return;
    }
    m_waiting.append(notification);
    if (m_asking) {
        return;
    }
    m_asking = true;
    standardbus::connectAside(QDBusConnection::SessionBus, &m_context,
                              [this](const QDBusConnection &bus) { askCapabilities(bus); });
}

void DbusNotifier::askCapabilities(const QDBusConnection &bus) {
    if (!bus.isConnected()) {
        dropWaiting();
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(notificationsCall(QStringLiteral("GetCapabilities"))), &m_context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_context,
                     [this](QDBusPendingCallWatcher *call) {
                         call->deleteLater();
                         const QDBusPendingReply<QStringList> reply = *call;
                         if (reply.isError()) {
                             dropWaiting();
                             return;
                         }
                         m_asking = false;
                         m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
                         for (const DesktopNotification &notification : std::exchange(m_waiting, {})) {
                             post(notification);
                         }
                     });
}

void DbusNotifier::dropWaiting() {
    m_asking = false;
    m_waiting.clear();
}

void DbusNotifier::post(const DesktopNotification &notification) {
    QDBusMessage call = notificationsCall(QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon (the packaging's application id), summary, body, actions,
    // hints, expire_timeout (-1: the service decides). The summary is never read as markup. The
    // desktop entry lets the desktop file the notification under the program and its settings.
    call << QStringLiteral("岚舟包裹通") << 0u << applicationId << notification.summary
         << (*m_bodyMarkup ? notification.body.toHtmlEscaped() : notification.body) << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), applicationId}} << -1;
    // The id the service answers with is of no use; the answer only tells that it took the
    // notification. The bus is connected by now, so Qt hands out its connection without waiting.
    ++m_posting;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), &m_context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_context,
                     [this](QDBusPendingCallWatcher *answered) {
                         answered->deleteLater();
                         --m_posting;
                     });
}
