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

// Hears the service's signals on this thread; a bus signal is connected to a slot by its signature.
class NotificationSignals final : public QObject {
    Q_OBJECT

public:
    std::function<void(const QString &sender, uint id, const QString &action)> onAction;
    std::function<void(const QString &sender, uint id)> onClosed;

public Q_SLOTS:
    void actionInvoked(uint id, const QString &action, const QDBusMessage &message) {
        onAction(message.service(), id, action);
    }
    void notificationClosed(uint id, uint, const QDBusMessage &message) { onClosed(message.service(), id); }
};

DbusNotifier::DbusNotifier() = default;

DbusNotifier::~DbusNotifier() = default;

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

void DbusNotifier::setActivationHandler(std::function<void(qint64 parcelId)> handler) {
    m_activate = std::move(handler);
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
    // A notification about no parcel has nothing to open.
    const bool activatable = m_activate && notification.parcelId > 0;
    if (activatable) {
        listenForActions();
    }
    QDBusMessage call = notificationsCall(QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon (the packaging's application id), summary, body, actions,
    // hints, expire_timeout (-1: the service decides). The summary is never read as markup. The
    // desktop entry lets the desktop file the notification under the program and its settings.
    call << QStringLiteral("岚舟包裹通") << 0u << applicationId << notification.summary
         << (*m_bodyMarkup ? notification.body.toHtmlEscaped() : notification.body)
         << (activatable ? QStringList{QStringLiteral("default"), QStringLiteral("打开")} : QStringList())
         << QVariantMap{{QStringLiteral("desktop-entry"), applicationId}} << -1;
    // The answer tells that the service took the notification, and under which id. The bus is
    // connected by now, so Qt hands out its connection without waiting.
    ++m_posting;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), &m_context);
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, &m_context,
        [this, activatable, parcelId = notification.parcelId](QDBusPendingCallWatcher *answered) {
            answered->deleteLater();
            --m_posting;
            const QDBusPendingReply<uint> reply = *answered;
            if (activatable && !reply.isError()) {
                taken(reply.reply().service(), reply.value(), parcelId);
            }
        });
}

void DbusNotifier::listenForActions() {
    if (m_signals) {
        return;
    }
    m_signals = std::make_unique<NotificationSignals>();
    m_signals->onAction = [this](const QString &sender, uint id, const QString &action) {
        actionInvoked(sender, id, action);
    };
    m_signals->onClosed = [this](const QString &sender, uint id) {
        closed(sender, id);
    };
    // Any sender: for a well-known name Qt would first ask the bus who owns it, waiting on this thread.
    // The sender is checked against the service that gave the ids instead. Subscribed before the
    // notification is posted, so no signal about it can come before the subscription.
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(QString(), servicePath, serviceName, QStringLiteral("ActionInvoked"), m_signals.get(),
                SLOT(actionInvoked(uint, QString, QDBusMessage)));
    bus.connect(QString(), servicePath, serviceName, QStringLiteral("NotificationClosed"), m_signals.get(),
                SLOT(notificationClosed(uint, uint, QDBusMessage)));
}

void DbusNotifier::taken(const QString &service, uint id, qint64 parcelId) {
    // A restarted service counts its ids afresh: those of the one before name nothing any more.
    if (service != m_service) {
        m_parcels.clear();
        m_service = service;
    }
    m_parcels.insert(id, parcelId);
}

void DbusNotifier::actionInvoked(const QString &sender, uint id, const QString &action) {
    if (sender != m_service || action != QStringLiteral("default") || !m_activate) {
        return;
    }
    if (const auto parcel = m_parcels.constFind(id); parcel != m_parcels.cend()) {
        m_activate(*parcel);
    }
}

void DbusNotifier::closed(const QString &sender, uint id) {
    if (sender == m_service) {
        m_parcels.remove(id);
    }
}

#include "DbusNotifier.moc"
