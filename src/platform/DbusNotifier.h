// Desktop notifications through the session bus's notification service, never waiting on the bus.
#pragma once

#include "platform/Platform.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class NotificationSignals;
class QDBusConnection;

class DbusNotifier final {
public:
    DbusNotifier();
    ~DbusNotifier();
    DbusNotifier(const DbusNotifier &) = delete;
    DbusNotifier &operator=(const DbusNotifier &) = delete;

    // Posts the notification as the program's own and returns at once. The first one connects to the
    // session bus on a worker thread and asks the service whether it reads markup in the body, so that
    // the plain text is escaped exactly where it would be read as markup; notifications wait for both.
    // Without a session bus or a service they are dropped, and the next one tries again.
    void notify(const DesktopNotification &notification);
    // From then on, a notification about a parcel offers its default action, and the handler hears the
    // parcel of each one the user activates.
    void setActivationHandler(std::function<void(qint64 parcelId)> handler);
    // Notifications still wait for the bus, or for the service to take them.
    bool pending() const { return m_asking || !m_waiting.isEmpty() || m_posting > 0; }

private:
    void askCapabilities(const QDBusConnection &bus);
    void dropWaiting();
    void post(const DesktopNotification &notification);
    void listenForActions();
    void taken(const QString &service, uint id, qint64 parcelId);
    void actionInvoked(const QString &sender, uint id, const QString &action);
    void closed(const QString &sender, uint id);

    // Owns the steps of a question still unanswered when the notifier goes.
    QObject m_context;
    std::optional<bool> m_bodyMarkup;
    bool m_asking = false;
    QList<DesktopNotification> m_waiting;
    // Posted, not yet taken by the service.
    int m_posting = 0;

    std::function<void(qint64 parcelId)> m_activate;
    std::unique_ptr<NotificationSignals> m_signals;
    // The parcel of each notification still shown, by the id the service gave it. Ids are the service's
    // own: they hold for the service process that gave them (its unique bus name), not for the next one.
    QHash<uint, qint64> m_parcels;
    QString m_service;
};
