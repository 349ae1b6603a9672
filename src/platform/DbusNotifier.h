// Desktop notifications through the session bus's notification service, never waiting on the bus.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class DbusNotifier final {
public:
    // Posts the notification as the program's own. The first one asks the service whether it reads
    // markup in the body, so that the plain text is escaped exactly where it would be read as markup;
    // notifications wait for that answer. Without a session bus or a service they are dropped, and
    // the next one asks again.
    void notify(const QString &title, const QString &body);

private:
    struct Notification {
        QString title;
        QString body;
    };
    void askCapabilities();
    void post(const Notification &notification) const;

    // Owns the watcher of a question still unanswered when the notifier goes.
    QObject m_context;
    std::optional<bool> m_bodyMarkup;
    bool m_asking = false;
    QList<Notification> m_waiting;
};
