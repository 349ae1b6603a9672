// A notification service for the session bus DBUS_SESSION_BUS_ADDRESS names: prints "ready" once it
// owns the name, then one line per notification: its id, app icon, summary, body, desktop-entry hint and
// actions ("|" between them), tab-separated. A line "invoke <id>" on its input activates that
// notification as a click would.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QSocketNotifier>
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

public:
    // Reads the commands on standard input, unbuffered so that every line wakes the notifier; the
    // service keeps running once the input ends.
    void readCommands() {
        m_input.open(0, QIODevice::ReadOnly | QIODevice::Unbuffered);
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] {
            const QByteArray line = m_input.readLine();
            if (line.isEmpty()) {
                m_notifier.setEnabled(false);
            } else if (line.startsWith("invoke ")) {
                QDBusMessage signal =
                    QDBusMessage::createSignal(path, interface, QStringLiteral("ActionInvoked"));
                signal << line.mid(7).trimmed().toUInt() << QStringLiteral("default");
                QDBusConnection::sessionBus().send(signal);
            }
        });
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return {QStringLiteral("body"), QStringLiteral("actions")}; }
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
    QFile m_input;
    QSocketNotifier m_notifier{0, QSocketNotifier::Read};
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
    service.readCommands();
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "FakeNotifications.moc"
