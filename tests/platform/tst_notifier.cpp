// The desktop's notifications over D-Bus, to a fake notification service on a private session bus.
#include "platform/BusFailure.h"
#include "platform/RealPlatform.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString servicePath = QStringLiteral("/org/freedesktop/Notifications");
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

// The service's signals as the desktop sends them, from the connection `bus`. A signal leaves after the
// answers the same connection sent before it, so the program has heard the notification's id by then.
void sendActionInvoked(const QDBusConnection &bus, uint id, const QString &action) {
    QDBusMessage signal = QDBusMessage::createSignal(servicePath, service, QStringLiteral("ActionInvoked"));
    signal << id << action;
    QVERIFY(bus.send(signal));
}

void sendNotificationClosed(const QDBusConnection &bus, uint id) {
    QDBusMessage signal =
        QDBusMessage::createSignal(servicePath, service, QStringLiteral("NotificationClosed"));
    // Reason 2: dismissed by the user.
    signal << id << 2u;
    QVERIFY(bus.send(signal));
}

// Stands between the program and its session bus: holds the program's connection unanswered, like a
// bus slow to answer, until opened; then carries the bytes both ways on this thread and keeps what the
// bus sent.
class BusGate final : public QObject {
public:
    bool listen(const QString &path) { return m_server.listen(path); }
    bool holding() const { return m_server.hasPendingConnections(); }
    bool isOpen() const { return m_program != nullptr; }
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
    void cleanup();
    void cleanupTestCase();
    void notify_waitsForTheBusOffThisThreadAndEscapesOnlyForMarkup();
    void activation_reportsTheParcelOfTheNotificationItsServiceShowed();
    void busFailureReason_data();
    void busFailureReason();

private:
    // The program's first bus connect waits at the gate until a test lets it through.
    void openGate();
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

void NotifierTest::cleanup() {
    // The name is given up before the connection goes, so the next test's service can take it at once.
    for (const char *name : {"fake", "service", "intruder", "restarted"}) {
        QDBusConnection connection(QString::fromLatin1(name));
        if (connection.isConnected()) {
            connection.unregisterService(service);
        }
        QDBusConnection::disconnectFromBus(connection.name());
    }
}

void NotifierTest::cleanupTestCase() {
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

void NotifierTest::openGate() {
    if (!m_gate.isOpen()) {
        QTRY_VERIFY(m_gate.holding());
        QVERIFY(m_gate.open(m_socket));
    }
}

void NotifierTest::notify_waitsForTheBusOffThisThreadAndEscapesOnlyForMarkup() {
    const QString body = QStringLiteral("2026-12-08 08:00:00 <b>鞋&袜</b>已到达");
    FakeNotifications fake;
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("fake"));
    QVERIFY(bus.registerObject(servicePath, &fake, QDBusConnection::ExportAllSlots));
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
    // the body as it is. Nobody listens for activations, so nothing is offered to activate.
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

void NotifierTest::activation_reportsTheParcelOfTheNotificationItsServiceShowed() {
    FakeNotifications fake;
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("service"));
    QVERIFY(bus.registerObject(servicePath, &fake, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(service));
    const QDBusConnection intruder = QDBusConnection::connectToBus(m_address, QStringLiteral("intruder"));
    QVERIFY(intruder.isConnected());

    RealDesktop desktop;
    QList<qint64> activated;
    desktop.setActivationHandler([&activated](qint64 parcelId) { activated.append(parcelId); });
    desktop.notify(notification(QStringLiteral("鞋袜"), 7));
    desktop.notify(notification(QStringLiteral("无关快递")));
    desktop.notify(notification(QStringLiteral("手机"), 9));
    openGate();
    QTRY_COMPARE(fake.shown.size(), 3);
    // Ids 1 and 3 are about parcels and can be activated; 2 names no parcel and offers nothing.
    const QStringList offered{QStringLiteral("default"), QStringLiteral("打开")};
    QCOMPARE(fake.shown[0].at(4).toStringList(), offered);
    QCOMPARE(fake.shown[1].at(4).toStringList(), QStringList());
    QCOMPARE(fake.shown[2].at(4).toStringList(), offered);
    QCOMPARE(fake.shown[2].at(5).toString(), QStringLiteral("cn.lanzhou.parcelbook"));

    // Each activation reports its own parcel; other actions and other notifications report nothing.
    sendActionInvoked(bus, 3, QStringLiteral("default"));
    sendActionInvoked(bus, 1, QStringLiteral("default"));
    QTRY_COMPARE(activated, (QList<qint64>{9, 7}));
    sendActionInvoked(bus, 1, QStringLiteral("打开"));
    sendActionInvoked(bus, 2, QStringLiteral("default"));
    sendActionInvoked(bus, 99, QStringLiteral("default"));
    // Another program on the bus cannot pass itself off as the service.
    sendActionInvoked(intruder, 1, QStringLiteral("default"));
    // A closed notification is forgotten; the others stay.
    sendNotificationClosed(bus, 3);
    sendActionInvoked(bus, 3, QStringLiteral("default"));
    sendActionInvoked(bus, 1, QStringLiteral("default"));
    QTRY_COMPARE(activated, (QList<qint64>{9, 7, 7}));
    QTest::qWait(50);
    QCOMPARE(activated, (QList<qint64>{9, 7, 7}));

    // A notifier gone with its handler hears nothing, and nothing breaks.
    {
        RealDesktop shortLived;
        shortLived.setActivationHandler([&activated](qint64 parcelId) { activated.append(-parcelId); });
        shortLived.notify(notification(QStringLiteral("短暂"), 5));
        QTRY_COMPARE(fake.shown.size(), 4);
    }
    sendActionInvoked(bus, 4, QStringLiteral("default"));
    sendActionInvoked(bus, 1, QStringLiteral("default"));
    QTRY_COMPARE(activated, (QList<qint64>{9, 7, 7, 7}));

    // A service that restarts counts its ids afresh: those the one before gave name nothing now.
    QVERIFY(bus.unregisterService(service));
    FakeNotifications successor;
    QDBusConnection restarted = QDBusConnection::connectToBus(m_address, QStringLiteral("restarted"));
    QVERIFY(restarted.registerObject(servicePath, &successor, QDBusConnection::ExportAllSlots));
    QVERIFY(restarted.registerService(service));
    desktop.notify(notification(QStringLiteral("新服务"), 11));
    QTRY_COMPARE(successor.shown.size(), 1);
    sendActionInvoked(bus, 1, QStringLiteral("default"));
    sendActionInvoked(restarted, 1, QStringLiteral("default"));
    QTRY_COMPARE(activated, (QList<qint64>{9, 7, 7, 7, 11}));
    QTest::qWait(50);
    QCOMPARE(activated.size(), 5);
}

void NotifierTest::busFailureReason_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    const auto bus = [](const char *row, const char *name, const char *reason) {
        QTest::newRow(row) << QString::fromLatin1(name) << QString::fromUtf8(reason);
    };
    bus("no bus socket", "org.freedesktop.DBus.Error.FileNotFound", "无法连接系统总线");
    bus("bus gone", "org.freedesktop.DBus.Error.Disconnected", "无法连接系统总线");
    bus("denied", "org.freedesktop.DBus.Error.AccessDenied", "没有权限");
    bus("polkit", "org.freedesktop.PolicyKit1.Error.NotAuthorized", "没有权限");
    bus("no service", "org.freedesktop.DBus.Error.ServiceUnknown", "系统服务不可用");
    bus("no reply", "org.freedesktop.DBus.Error.NoReply", "系统服务没有回答");
    bus("other", "org.example.Strange", "系统服务出错");
}

void NotifierTest::busFailureReason() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    // The bus's own words reach the log, and only there.
    const QString detail = QStringLiteral("Failed to connect to socket /run/dbus/system_bus_socket");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(detail) + u'$'));
    QCOMPARE(::busFailureReason(name, detail), reason);
}

QTEST_MAIN(NotifierTest)
#include "tst_notifier.moc"
