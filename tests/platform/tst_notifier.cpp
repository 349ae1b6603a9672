// The desktop's notifications over D-Bus, to a fake notification service on a private session bus.
#include "platform/RealPlatform.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString title = QStringLiteral("岚舟包裹通");

// Records what it is asked to show and answers with the capabilities it is given.
class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{QStringLiteral("body")};
    int capabilityQuestions = 0;
    // app_name, app_icon, summary, body, actions and expire_timeout of each notification.
    QList<QVariantList> shown;

public Q_SLOTS:
    QStringList GetCapabilities() {
        ++capabilityQuestions;
        return capabilities;
    }
    uint Notify(const QString &appName, uint, const QString &appIcon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &, int expireTimeout) {
        shown.append({appName, appIcon, summary, body, actions, expireTimeout});
        return static_cast<uint>(shown.size());
    }
};

} // namespace

class NotifierTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void notify_reachesTheServiceWithoutWaitingAndEscapesOnlyForMarkup();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

void NotifierTest::initTestCase() {
    // A bus of our own with no activatable services: a notification daemon installed on the
    // machine must not be started when the test asks for a service nobody has registered.
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
               "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
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
    // Before anything in the process touches the session bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
}

void NotifierTest::cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

void NotifierTest::notify_reachesTheServiceWithoutWaitingAndEscapesOnlyForMarkup() {
    const QString body = QStringLiteral("您的快递【<b>鞋&袜</b>】有最新动态\n2026-12-08 08:00:00 已到达");
    RealDesktop desktop;

    // Nobody serves notifications: the notification is dropped, and nothing waits or complains.
    QElapsedTimer elapsed;
    elapsed.start();
    desktop.notify(title, QStringLiteral("无人接收"));
    QVERIFY(elapsed.elapsed() < 1000);
    // Answered in order on the same connection: the question above has had its refusal by now.
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(service));
    QTest::qWait(50);

    FakeNotifications fake;
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("fake"));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(service));

    // The service serves from this thread, so anything received before notify() returns was waited for.
    desktop.notify(title, body);
    QCOMPARE(fake.capabilityQuestions, 0);
    QVERIFY(fake.shown.isEmpty());
    QTRY_COMPARE(fake.shown.size(), 1);
    // A service without markup shows the body as it is.
    QCOMPARE(fake.shown.first(),
             (QVariantList{QStringLiteral("岚舟包裹通"), QStringLiteral("cn.lanzhou.parcelbook"), title, body,
                           QStringList(), -1}));

    // The capabilities are asked once.
    desktop.notify(title, QStringLiteral("第二条"));
    QTRY_COMPARE(fake.shown.size(), 2);
    QCOMPARE(fake.shown.last().at(3).toString(), QStringLiteral("第二条"));
    QCOMPARE(fake.capabilityQuestions, 1);

    // A service that reads markup gets the text escaped, so it shows the same characters.
    fake.capabilities.append(QStringLiteral("body-markup"));
    RealDesktop markupDesktop;
    markupDesktop.notify(title, body);
    QTRY_COMPARE(fake.shown.size(), 3);
    QCOMPARE(
        fake.shown.last().at(3).toString(),
        QStringLiteral("您的快递【&lt;b&gt;鞋&amp;袜&lt;/b&gt;】有最新动态\n2026-12-08 08:00:00 已到达"));
    QCOMPARE(fake.capabilityQuestions, 2);
}

QTEST_MAIN(NotifierTest)
#include "tst_notifier.moc"
