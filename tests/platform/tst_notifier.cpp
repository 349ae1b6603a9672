// The desktop's notifications over D-Bus, to a fake notification service on a private session bus.
#include "platform/RealPlatform.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString title = QStringLiteral("快递【鞋袜】有新进展");

DesktopNotification notification(const QString &body, qint64 parcelId = 0) {
    return {title, body, parcelId};
}

// Records what it is asked to show and answers with the capabilities it is given.
class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{QStringLiteral("body")};
    int capabilityQuestions = 0;
    // app_name, app_icon, summary, body, actions, the desktop-entry hint and expire_timeout of each
    // notification; its id is its place in the list, counted from 1.
    QList<QVariantList> shown;

    QStringList bodies() const {
        QStringList result;
        for (const QVariantList &notification : shown) {
            result.append(notification.at(3).toString());
        }
        return result;
    }

public Q_SLOTS:
    QStringList GetCapabilities() {
        ++capabilityQuestions;
        return capabilities;
    }
    uint Notify(const QString &appName, uint, const QString &appIcon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints,
                int expireTimeout) {
        shown.append({appName, appIcon, summary, body, actions, hints.value(QStringLiteral("desktop-entry")),
                      expireTimeout});
        return static_cast<uint>(shown.size());
    }
};

// Stands between the program and its session bus: holds the program's connection unanswered, like a
// bus slow to answer, until opened; then carries the bytes both ways on this thread and keeps what the
// bus sent.
class BusGate final : public QObject {
public:
    bool listen(const QString &path) { return m_server.listen(path); }
    bool holding() const { return m_server.hasPendingConnections(); }
    bool open(const QString &busPath) {
        m_program = m_server.nextPendingConnection();
        m_bus.connectToServer(busPath);
        if (!m_bus.waitForConnected(5000)) {
            return false;
        }
        connect(m_program, &QLocalSocket::readyRead, this, [this] { m_bus.write(m_program->readAll()); });
        connect(&m_bus, &QLocalSocket::readyRead, this, [this] {
            const QByteArray bytes = m_bus.readAll();
            fromBus += bytes;
            m_program->write(bytes);
        });
        m_bus.write(m_program->readAll());
        return true;
    }
    QByteArray fromBus;

private:
    QLocalServer m_server;
    QLocalSocket *m_program = nullptr;
    QLocalSocket m_bus;
};

} // namespace

class NotifierTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void notify_waitsForTheBusOffThisThreadAndEscapesOnlyForMarkup();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    // The bus's socket, and its address with the bus's id.
    QString m_socket;
    QString m_address;
    BusGate m_gate;
};

void NotifierTest::initTestCase() {
    // A bus of our own with no activatable services: a notification daemon installed on the
    // machine must not be started when the test asks for a service nobody has registered.
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    m_socket = m_dir.filePath(QStringLiteral("bus"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<busconfig><type>session</type><listen>unix:path=" + m_socket.toUtf8() +
               "</listen><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
               "</busconfig>");
    file.close();
    m_daemon.start(QStringLiteral(PARCELBOOK_DBUS_DAEMON),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address")});
    QVERIFY2(m_daemon.waitForStarted(5000), qPrintable(m_daemon.errorString()));
    while (!m_daemon.canReadLine()) {
        QVERIFY2(m_daemon.waitForReadyRead(10000), "the bus daemon did not print its address");
    }
    m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    // The program reaches its session bus only through the gate; set before anything in the process
    // touches the session bus.
    const QString gate = m_dir.filePath(QStringLiteral("gate"));
    QVERIFY(m_gate.listen(gate));
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=") + gate.toUtf8());
}

void NotifierTest::cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

void NotifierTest::notify_waitsForTheBusOffThisThreadAndEscapesOnlyForMarkup() {
    const QString body = QStringLiteral("2026-12-08 08:00:00 <b>鞋&袜</b>已到达");
    FakeNotifications fake;
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("fake"));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(service));

    // The bus does not answer the first connect yet: notify returns at once and this thread runs on
    // (it is the one that accepts the connection), while the notifications wait.
    RealDesktop desktop;
    QElapsedTimer elapsed;
    elapsed.start();
    desktop.notify(notification(body, 7));
    desktop.notify(notification(QStringLiteral("第二条")));
    QVERIFY(elapsed.elapsed() < 1000);
    QTRY_VERIFY(m_gate.holding());

    // Once the bus answers they go out in order, after one question. A service without markup shows
    // the body as it is, and nothing is offered to activate.
    QVERIFY(m_gate.open(m_socket));
    QTRY_COMPARE(fake.shown.size(), 2);
    QCOMPARE(fake.shown.first(),
             (QVariantList{QStringLiteral("岚舟包裹通"), QStringLiteral("cn.lanzhou.parcelbook"), title, body,
                           QStringList(), QStringLiteral("cn.lanzhou.parcelbook"), -1}));
    QCOMPARE(fake.bodies().last(), QStringLiteral("第二条"));
    desktop.notify(notification(QStringLiteral("第三条")));
    QTRY_COMPARE(fake.shown.size(), 3);
    QCOMPARE(fake.bodies().last(), QStringLiteral("第三条"));
    QCOMPARE(fake.capabilityQuestions, 1);

    // Nobody serves notifications: the bus refuses the question and the notification is dropped.
    const QByteArray refusal = "org.freedesktop.DBus.Error.ServiceUnknown";
    QVERIFY(bus.unregisterService(service));
    RealDesktop unserved;
    unserved.notify(notification(QStringLiteral("无人接收")));
    QVERIFY(!m_gate.fromBus.contains(refusal));
    QTRY_VERIFY(m_gate.fromBus.contains(refusal));
    QVERIFY(bus.registerService(service));

    // A service that reads markup gets the text escaped, so it shows the same characters. Its answer
    // comes after the refusal on the same connection, so by then the refusal was heard.
    fake.capabilities.append(QStringLiteral("body-markup"));
    RealDesktop markupDesktop;
    markupDesktop.notify(notification(body));
    QTRY_COMPARE(fake.shown.size(), 4);
    QCOMPARE(fake.bodies().last(), QStringLiteral("2026-12-08 08:00:00 &lt;b&gt;鞋&amp;袜&lt;/b&gt;已到达"));
    QCOMPARE(fake.capabilityQuestions, 2);

    // The refused notifier asks again with its next notification; the dropped one never shows.
    unserved.notify(notification(QStringLiteral("再次")));
    QTRY_COMPARE(fake.shown.size(), 5);
    QCOMPARE(fake.bodies().last(), QStringLiteral("再次"));
    QCOMPARE(fake.capabilityQuestions, 3);
    QVERIFY(!fake.bodies().contains(QStringLiteral("无人接收")));
}

QTEST_MAIN(NotifierTest)
#include "tst_notifier.moc"
