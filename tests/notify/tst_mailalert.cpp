// The update e-mail sent by the real window through the real SMTP sender to a loopback aiosmtpd.
#include "mail/CurrentSettingsMailer.h"
#include "mail/MailBody.h"
#include "platform/SmtpMailer.h"
#include "support/HttpStub.h"
#include "support/WindowHarness.h"
#include "text/ClockText.h"

#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>

using harness::answerWith;
using harness::Harness;

namespace {

const QString user = QStringLiteral("notice@baoguo.lanzhou.example");
const QString password = QStringLiteral("mail-secret-42");

// Passes messages on to the real sender and notes what the hint line said when each was handed over.
class HintAtSend final : public Mailer {
public:
    explicit HintAtSend(Mailer &inner)
        : m_inner(inner) {}
    void send(const MailMessage &message, std::function<void(const MailResult &)> done) override {
        hints.append(hintLine ? hintLine->text() : QString());
        m_inner.send(message, std::move(done));
    }
    QLabel *hintLine = nullptr;
    QStringList hints;

private:
    Mailer &m_inner;
};

// A loopback mail server taking the test's login and saving every mail in the folder; its port.
quint16 startMailServer(QProcess &server, const QString &folder) {
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(PARCELBOOK_SMTP_SERVER), user, password, folder});
    if (!server.waitForStarted(5000)) {
        return 0;
    }
    while (!server.canReadLine()) {
        if (!server.waitForReadyRead(10000)) {
            return 0;
        }
    }
    return server.readLine().trimmed().toUShort();
}

} // namespace

class MailAlertTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void newProgress_mailsTheNewestEntry();
    void mail_escapesInsertedTextAndLeavesAnEmptyAnnouncement();
    void failures_areReportedAndNeverCalledSent();
    void savedMailSettings_carryTheNextMailThroughTheNewServer();

private:
    // A window whose parcel 手机 (3101234567890) is queried with the mail switch on.
    void queryWithMail(Harness &h, Mailer &mailer, const QString &goods);
    // The mailer the window gets; it outlives the window of each case.
    std::unique_ptr<HintAtSend> m_watched;
    QList<QJsonObject> inbox() const { return inbox(m_inbox.path()); }
    static QList<QJsonObject> inbox(const QString &folder);

    HttpStub m_stub;
    QTemporaryDir m_inbox;
    QProcess m_server;
    quint16 m_port = 0;
};

void MailAlertTest::initTestCase() {
    QVERIFY(m_stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", m_stub.baseUrl().toUtf8());
    qputenv("PARCELBOOK_SITE_URL", (m_stub.baseUrl() + QStringLiteral("/site")).toUtf8());
    qputenv("PARCELBOOK_MAIL_FROM", user.toUtf8());
    m_port = startMailServer(m_server, m_inbox.path());
    QVERIFY2(m_port != 0, "the SMTP test server did not report its port");
}

void MailAlertTest::cleanupTestCase() {
    m_server.kill();
    m_server.waitForFinished(5000);
}

void MailAlertTest::init() {
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.0");
    m_stub.answer(QStringLiteral("/site/data/tg.txt"),
                  QStringLiteral("双十二活动|http://127.0.0.1/sale").toUtf8());
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    for (const QString &name : QDir(m_inbox.path()).entryList(QDir::Files)) {
        QFile::remove(QDir(m_inbox.path()).filePath(name));
    }
}

QList<QJsonObject> MailAlertTest::inbox(const QString &path) {
    QList<QJsonObject> messages;
    const QDir folder(path);
    for (const QString &name : folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            messages.append(QJsonDocument::fromJson(file.readAll()).object());
        }
    }
    return messages;
}

void MailAlertTest::queryWithMail(Harness &h, Mailer &mailer, const QString &goods) {
    m_watched = std::make_unique<HintAtSend>(mailer);
    HintAtSend &watched = *m_watched;
    h.fake.mailer = &watched;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), goods);
    h.openReady();
    // The announcement, when there is one, has arrived before the mail is composed.
    QTest::qWait(100);
    h.mailTo(QStringLiteral("me@mail.cn"));
    watched.hintLine = h.child<QLabel>(QStringLiteral("Label11_2"));
    h.pick(0);
    TRY_COMPARE(watched.hints, QStringList({QStringLiteral(" 正发送最新动态邮件,请稍等..")}));
}

void MailAlertTest::newProgress_mailsTheNewestEntry() {
    // A newer version told: the mails link the announcement all the same.
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.1");
    SmtpMailer mailer({QStringLiteral("smtp://127.0.0.1:%1").arg(m_port), user, user, password});
    Harness h;
    queryWithMail(h, mailer, QStringLiteral("手机"));
    QVERIFY(h.window->isEnabled());
    TRY_COMPARE(h.hint(), QStringLiteral("快递有最新进展，已发送至邮箱!"));
    TRY_COMPARE(inbox().size(), 1);
    const QJsonObject mail = inbox().first();
    QCOMPARE(mail[QStringLiteral("subject")].toString(),
             QStringLiteral("您的快递【手机】有最新动态 - 岚舟包裹通"));
    QCOMPARE(mail[QStringLiteral("rcpt_tos")].toArray().first().toString(), QStringLiteral("me@mail.cn"));
    const QString html = mail[QStringLiteral("html")].toString();
    QVERIFY(html.contains(
        QStringLiteral("您的快递<font color='blue' style='font-weight:bold;'>【手机】（3101234567890）"
                       "</font>有了最新动态：")));

    // The whole body, fragment by fragment, from what the window showed.
    MailInputs expected;
    expected.goods = QStringLiteral("手机");
    expected.number = QStringLiteral("3101234567890");
    expected.company = QStringLiteral("圆通速递");
    expected.entryTime = harness::inTransit()[0].first;
    expected.entryText = harness::inTransit()[0].second;
    expected.transitTime = h.field(5);
    expected.announcementText = QStringLiteral("双十二活动");
    expected.announcementAddress = QStringLiteral("http://127.0.0.1/sale");
    expected.now = clockText(h.fake.clock.current);
    expected.sites = MailSites::configured();
    QCOMPARE(html.trimmed(), notify::mailBody(expected).trimmed());
    QCOMPARE(mail[QStringLiteral("plain")].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
             notify::mailText(expected));

    // The same progress again: nothing new, so no second mail.
    h.pick(0);
    TRY_COMPARE(h.field(3), QStringLiteral("无更新"));
    QTest::qWait(300);
    QCOMPARE(inbox().size(), 1);
}

void MailAlertTest::mail_escapesInsertedTextAndLeavesAnEmptyAnnouncement() {
    // No announcement file: the link stays empty.
    m_stub.answer(QStringLiteral("/site/data/tg.txt"), QByteArray(), 404);
    m_stub.answer(
        QStringLiteral("/"),
        answerWith({{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("<script>x</script> & 到达")},
                    {QStringLiteral("2026-12-07 08:00:00"), QStringLiteral("揽收")}}));
    SmtpMailer mailer({QStringLiteral("smtp://127.0.0.1:%1").arg(m_port), user, user, password});
    Harness h;
    queryWithMail(h, mailer, QStringLiteral("<b>鞋&袜</b>"));
    TRY_COMPARE(h.hint(), QStringLiteral("快递有最新进展，已发送至邮箱!"));
    TRY_COMPARE(inbox().size(), 1);
    const QString html = inbox().first()[QStringLiteral("html")].toString();
    QVERIFY(html.contains(QStringLiteral("【&lt;b&gt;鞋&amp;袜&lt;/b&gt;】")));
    QVERIFY(html.contains(QStringLiteral("&lt;script&gt;x&lt;/script&gt; &amp; 到达")));
    QVERIFY(!html.contains(QStringLiteral("<script>")));
    QVERIFY(!html.contains(QStringLiteral("<b>鞋")));
    QVERIFY(html.contains(QStringLiteral(
        "<b><a href='' target='_blank' style='text-decoration: none;color:black;margin-top:10px'></a></b>")));
    QCOMPARE(inbox().first()[QStringLiteral("subject")].toString(),
             QStringLiteral("您的快递【<b>鞋&袜</b>】有最新动态 - 岚舟包裹通"));
}

void MailAlertTest::failures_areReportedAndNeverCalledSent() {
    // A refused login.
    {
        SmtpMailer mailer(
            {QStringLiteral("smtp://127.0.0.1:%1").arg(m_port), user, user, QStringLiteral("wrong")});
        Harness h;
        queryWithMail(h, mailer, QStringLiteral("手机"));
        TRY_VERIFY(h.hint().startsWith(QStringLiteral("最新信息发送失败!错误原因")));
        QVERIFY(h.hint().size() > QStringLiteral("最新信息发送失败!错误原因").size());
        QVERIFY(!h.hint().contains(QStringLiteral("wrong")));
        QCOMPARE(h.storedCount(QStringLiteral("手机")), QStringLiteral("3"));
    }
    // An unreachable server: a port nobody listens on.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    {
        SmtpMailer mailer({QStringLiteral("smtp://127.0.0.1:%1").arg(closedPort), user, user, password});
        Harness h;
        queryWithMail(h, mailer, QStringLiteral("手机"));
        TRY_VERIFY(h.hint().startsWith(QStringLiteral("最新信息发送失败!错误原因")));
    }
    QTest::qWait(200);
    QVERIFY(inbox().isEmpty());
}

void MailAlertTest::savedMailSettings_carryTheNextMailThroughTheNewServer() {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const auto restore = qScopeGuard([] { qunsetenv("XDG_CONFIG_HOME"); });
    ServiceSettings services;
    services.mail = {QStringLiteral("smtp://127.0.0.1:%1").arg(m_port), QString(), QString(), password};
    QVERIFY(servicesfile::write(servicesfile::location(), services));
    QTemporaryDir newInbox;
    QProcess newServer; // killed as it goes
    const quint16 newPort = startMailServer(newServer, newInbox.path());
    QVERIFY(newPort != 0);
    CurrentSettingsMailer mailer(&MailSettings::configured,
                                 [](const MailSettings &settings) -> Outcome<std::unique_ptr<Mailer>> {
                                     return std::unique_ptr<Mailer>(std::make_unique<SmtpMailer>(settings));
                                 });
    Harness h;
    queryWithMail(h, mailer, QStringLiteral("手机"));
    TRY_COMPARE(h.hint(), QStringLiteral("快递有最新进展，已发送至邮箱!"));

    // The dialog saves the other server; the next new progress is mailed through it, no restart between.
    h.key(Qt::Key_F9);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("servicesButton")), Qt::LeftButton);
    h.child<QLineEdit>(QStringLiteral("smtpUrl"))
        ->setText(QStringLiteral("smtp://127.0.0.1:%1").arg(newPort));
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("saveButton")), Qt::LeftButton);
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit() + harness::inTransit().mid(2)));
    h.pick(0);
    TRY_COMPARE(inbox(newInbox.path()).size(), 1);
    TRY_COMPARE(h.hint(), QStringLiteral("快递有最新进展，已发送至邮箱!"));
    QCOMPARE(inbox().size(), 1);
}

QTEST_MAIN(MailAlertTest)
#include "tst_mailalert.moc"
