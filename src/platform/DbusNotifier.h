// Desktop notifications through the session bus's notification service, never waiting on the bus.
#pragma once

#include "platform/Platform.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QDBusConnection;

class DbusNotifier final {
public:
    // Posts the notification as the program's own and returns at once. The first one connects to the
    // session bus on a worker thread and asks the service whether it reads markup in the body, so that
    // the plain text is escaped exactly where it would be read as markup; notifications wait for both.
    // Without a session bus or a service they are dropped, and the next one tries again.
    void notify(const DesktopNotification &notification);
    // Notifications still wait for the bus, or for the service to take them.
    bool pending() const { return m_asking || !m_waiting.isEmpty() || m_posting > 0; }

private:
    void askCapabilities(const QDBusConnection &bus);
    void dropWaiting();
    void post(const DesktopNotification &notification);

    // Owns the steps of a question still unanswered when the notifier goes.
    QObject m_context;
    std::optional<bool> m_bodyMarkup;
    bool m_asking = false;
    QList<DesktopNotification> m_waiting;
    // Posted, not yet taken by the service.
    int m_posting = 0;
};
