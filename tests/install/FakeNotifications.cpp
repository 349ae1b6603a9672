// A notification service for the session bus DBUS_SESSION_BUS_ADDRESS names: prints "ready" once it
// owns the name, then one line per notification: its id, app icon, summary, body, desktop-entry hint and
// actions ("|" between them), tab-separated.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

namespace {

const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public Q_SLOTS:
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    uint Notify(const QString &, uint, const QString &appIcon, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int) {
        const QStringList fields{QString::number(++m_count),
                                 appIcon,
                                 summary,
                                 body,
                                 hints.value(QStringLiteral("desktop-entry")).toString(),
                                 actions.join(QLatin1Char('|'))};
        QString line = fields.join(QLatin1Char('\t'));
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        std::puts(line.toUtf8().constData());
        std::fflush(stdout);
        return m_count;
    }

private:
    uint m_count = 0;
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    FakeNotifications service;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(path, &service, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(interface)) {
        std::fputs("the notification service could not be registered\n", stderr);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "FakeNotifications.moc"
