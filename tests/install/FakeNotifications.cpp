// A notification service for the session bus DBUS_SESSION_BUS_ADDRESS names: prints "ready" once it
// owns the name, then one line per notification: app icon, summary and body, tab-separated.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public Q_SLOTS:
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    uint Notify(const QString &, uint, const QString &appIcon, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int) {
        QString line = appIcon + QLatin1Char('\t') + summary + QLatin1Char('\t') + body;
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        std::puts(line.toUtf8().constData());
        std::fflush(stdout);
        return ++m_count;
    }

private:
    uint m_count = 0;
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    FakeNotifications service;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fputs("the notification service could not be registered\n", stderr);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "FakeNotifications.moc"
