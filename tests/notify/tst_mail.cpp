// The update e-mail: its subject, HTML and plain bodies, its submission to a loopback SMTP server, and the
// limits that hold against a stalled server or one without encryption.
#include "mail/MailBody.h"
#include "platform/MailFailure.h"
#include "platform/SmtpMailer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

const QString serverUser = QStringLiteral("postman");
const QString serverPassword = QStringLiteral("Kq7-vault-2291");
const QString wrongPassword = QStringLiteral("Zz4-wrong-8830");
const QString senderAddress = QStringLiteral("notice@baoguo.lanzhou.example");

MailSites testSites() {
    MailSites sites;
    sites.site = QStringLiteral("http://127.0.0.1:9/site");
    sites.makerSite = QStringLiteral("http://127.0.0.1:9/maker");
    sites.serviceSite = QStringLiteral("http://127.0.0.1:9/kefu");
    sites.forum = QStringLiteral("http://127.0.0.1:9/bbs/");
    sites.makerHost = QStringLiteral("www.maker.test");
    sites.serviceNumber = QStringLiteral("800088517");
    return sites;
}

MailInputs phoneInputs() {
    MailInputs in;
    in.goods = QStringLiteral("手机");
    in.number = QStringLiteral("YT8801234567");
    in.company = QStringLiteral("圆通速递");
    in.entryTime = QStringLiteral("2026-12-08 09:58:00");
    in.entryText = QStringLiteral("【杭州市】快件已到达 杭州转运中心");
    in.transitTime = QStringLiteral("2天3小时15分");
    in.now = QStringLiteral("2026-12-08 10:05:07");
    in.sites = testSites();
    return in;
}

// The template written out piece by piece, for values that need no escaping.
QStringList templatePieces(const MailInputs &in) {
    const MailSites &s = in.sites;
    return {
        QStringLiteral("<table cellspacing='1' border='1' bgcolor='#FFFFFF' align='center' width='700' "
                       "style='border-color:#ccc;width:700px;font-size:20px;color:black'><tbody><tr><td><div "
                       "style='width:670px;margin:0 auto;background-image:url("),
        s.site + QStringLiteral("/mail/images/head_bg.gif"),
        QStringLiteral(");border-bottom:1px solid #e7e7e7;margin-bottom:20px;padding:13px 15px 0;'>"),
        QStringLiteral("<table cellspacing='0' cellpadding='0' border='0' width='670px' height='54' "
                       "style='font:12px Tahoma, Arial, 微软雅黑;'><tbody><tr><td width='240' valign='top'>"),
        QStringLiteral("<a target='_blank' href='"),
        s.makerSite,
        QStringLiteral("'><img border='0'  height='41' src='"),
        s.site + QStringLiteral("/mail/images/logo.png"),
        QStringLiteral("'></a></td><td align='right' width='430' valign='bottom' "
                       "style='color:#fff;padding-bottom:7px;'><a target='_blank' "
                       "style='color:#fff;text-decoration:none;font-size:12px;' href='"),
        s.site + QStringLiteral("/tui.html"),
        QStringLiteral(
            "'>推广服务 </a> | <a target='_blank' style='color:#fff;text-decoration:none;font-size:12px;' "
            "href='"),
        s.serviceSite,
        QStringLiteral("'>客服中心 </a>"),
        QStringLiteral(
            " | <a target='_blank' style='color:#fff;text-decoration:none;font-size:12px;' href='"),
        s.forum,
        QStringLiteral(
            "'>官方论坛</a></td></tr></tbody></table></div><div style='width:600px;margin:0 "
            "auto;color:#5a5a5a;background:#ffffff;padding:0 50px;margin-bottom:25px;'><div "
            "style='line-height:1.5;font-size:13px;margin-bottom:10px;color:#000;font-family: 微软雅黑;'>"),
        QStringLiteral("<strong style='display:block;margin-bottom:5px;'></strong><p "
                       "style='line-height:25px;margin:0;border-bottom: 1px dashed #ccc;'>您的快递<font "
                       "color='blue' style='font-weight:bold;'>【"),
        in.goods,
        QStringLiteral("】（"),
        in.number,
        QStringLiteral(
            "）</font>有了最新动态：</p><p style='line-height:25px;margin:0;border-bottom: 1px dashed "
            "#ccc;color:red;margin-top:15px;font-weight:bold;'>"),
        in.entryTime + QLatin1Char(' ') + in.entryText,
        QStringLiteral(
            "</p><p style='line-height:25px;margin:0;border-bottom: 1px dashed "
            "#ccc;margin-top:10px;'>当前您的快递约已派送：<font style='font-weight:bold;color:red;'>"),
        in.transitTime,
        QStringLiteral("</font>（时间以<font style='font-weight:bold;color:blue;'>"),
        in.company,
        QStringLiteral(
            "</font>公司接单起计算）</p><p style='line-height:25px;margin:0;border-bottom: 1px dashed "
            "#ccc;margin-top:10px'>感谢您使用岚舟包裹通,欢迎您继续支持岚舟其他产品!</p><p "
            "style='line-height:25px;margin:0;border-bottom: 1px dashed #ccc;margin-top:15px;'><b><a "
            "href='"),
        in.announcementAddress,
        QStringLiteral("' target='_blank' style='text-decoration: none;color:black;margin-top:10px'>"),
        in.announcementText,
        QStringLiteral(
            "</a></b></p><p style='line-height:25px;margin:0;margin-top:30px;margin-right:auto'>"
            "岚舟技术工作室</p><p style='line-height:25px;margin:0;float: right;background-image: url("),
        s.site + QStringLiteral("/mail/images/slogo.png"),
        QStringLiteral(");height: 85px;width: 50px;background-repeat: no-repeat;margin-top: -20px;'><p "
                       "style='line-height:25px;margin:0;'>"),
        s.makerHost,
        QStringLiteral("</p><p style='line-height:25px;margin:0;'>"),
        in.now,
        QStringLiteral(
            "</p></div></div><div style='width:600px;margin:0 auto;background:#f9f9f9;border-top:1px "
            "solid #ececec;padding:20px 50px 30px;'>"),
        QStringLiteral(
            "<table cellspacing='0' cellpadding='0' border='0' width='600px' height='55' "
            "style='font-size:12px;color:#919191;'><tbody><tr><td width='460'><p "
            "style='line-height:20px;margin:0 0 5px'>本邮件由岚舟包裹通系统自动发出，请勿回复。</p><p "
            "style='line-height:20px;margin:0 0 "
            "5px'>如果您遇到问题或需要定制推广服务，请在右上方反馈或咨询客服QQ:"),
        s.serviceNumber,
        QStringLiteral("</p></td><td align='right' width='140' "
                       "valign='bottom'></td></tr></tbody></table></div></td></tr></tbody></table>"),
    };
}

const QString firstLinePhone = QStringLiteral(
    "<p style='line-height:25px;margin:0;border-bottom: 1px dashed #ccc;'>您的快递<font color='blue' "
    "style='font-weight:bold;'>【手机】（YT8801234567）</font>有了最新动态：</p>");
const QString emptyAnnouncement = QStringLiteral(
    "<b><a href='' target='_blank' style='text-decoration: none;color:black;margin-top:10px'></a></b>");

MailMessage messageFor(const QString &to, const MailInputs &in) {
    return {senderAddress, to, notify::mailSubject(in.goods), notify::mailBody(in), notify::mailText(in)};
}

// Where the scripted server stops answering; it never stops with None.
enum class Stall { None, BeforeGreeting, AfterData, AtQuit };

// A loopback SMTP server that offers AUTH but no STARTTLS, accepts any login and notes every line it
// receives; it goes silent at its stall point, holding the connection open.
class ScriptedSmtpServer final : public QTcpServer {
public:
    explicit ScriptedSmtpServer(Stall stall)
        : m_stall(stall) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *client = nextPendingConnection()) {
                stalled = m_stall == Stall::BeforeGreeting;
                client->write(stalled ? "" : "220 scripted\r\n");
                connect(client, &QTcpSocket::readyRead, this, [this, client] { answer(client); });
            }
        });
    }
    QByteArrayList lines;
    bool stalled = false;

private:
    void answer(QTcpSocket *client) {
        while (client->canReadLine()) {
            const QByteArray line = client->readLine();
            lines.append(line.trimmed());
            if (m_inData) {
                m_inData = line != ".\r\n";
                stalled = !m_inData && m_stall == Stall::AfterData;
                client->write(m_inData || stalled ? "" : "250 queued\r\n");
            } else if (m_credentialsNext || line.startsWith("AUTH")) {
                // Without an initial response the credentials come on the next line.
                m_credentialsNext = !m_credentialsNext && line.count(' ') < 2;
                client->write(m_credentialsNext ? "334 \r\n" : "235 welcome\r\n");
            } else if (line.startsWith("EHLO")) {
                client->write("250-scripted\r\n250 AUTH PLAIN LOGIN\r\n");
            } else if (line.startsWith("DATA")) {
                m_inData = true;
                client->write("354 go on\r\n");
            } else if (line.startsWith("QUIT")) {
                stalled = stalled || m_stall == Stall::AtQuit;
                client->write(stalled ? "" : "221 bye\r\n");
            } else {
                client->write("250 ok\r\n");
            }
        }
    }
    const Stall m_stall;
    bool m_inData = false;
    bool m_credentialsNext = false;
};

// Everything the process writes to its standard output and error while it lives; the text is
// echoed to the real error stream afterwards so nothing is hidden from the test log.
class OutputCapture final {
public:
    OutputCapture() {
        m_file.open();
        std::fflush(stdout);
        std::fflush(stderr);
        m_savedOut = ::dup(STDOUT_FILENO);
        m_savedErr = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDOUT_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;
    ~OutputCapture() { finish(); }

    QByteArray finish() {
        if (m_savedOut >= 0) {
            std::fflush(stdout);
            std::fflush(stderr);
            ::dup2(m_savedOut, STDOUT_FILENO);
            ::dup2(m_savedErr, STDERR_FILENO);
            ::close(m_savedOut);
            ::close(m_savedErr);
            m_savedOut = -1;
            m_file.seek(0);
            m_text = m_file.readAll();
            std::fwrite(m_text.constData(), 1, static_cast<size_t>(m_text.size()), stderr);
        }
        return m_text;
    }

private:
    QTemporaryFile m_file;
    int m_savedOut = -1;
    int m_savedErr = -1;
    QByteArray m_text;
};

// Why a mail was not sent; empty when it was.
QString reasonOf(const MailResult &result) {
    return result ? QString() : result.failure().reason;
}

struct SendEnd {
    bool calledInsideSend = false;
    bool onCallerThread = false;
    std::optional<MailResult> result;
    qint64 elapsedMs = 0;
};

SendEnd sendAndWait(Mailer &mailer, const MailMessage &message, int timeoutMs) {
    SendEnd outcome;
    QElapsedTimer timer;
    timer.start();
    QThread *caller = QThread::currentThread();
    mailer.send(message, [&outcome, caller](const MailResult &result) {
        outcome.onCallerThread = QThread::currentThread() == caller;
        outcome.result = result;
    });
    outcome.calledInsideSend = outcome.result.has_value();
    static_cast<void>(QTest::qWaitFor([&outcome] { return outcome.result.has_value(); }, timeoutMs));
    outcome.elapsedMs = timer.elapsed();
    return outcome;
}

MailSettings settingsFor(quint16 port, const QString &password) {
    return {QStringLiteral("smtp://127.0.0.1:%1").arg(port), senderAddress, serverUser, password};
}

} // namespace

class MailTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void settings_comeFromTheEnvironment();
    void body_followsTheTemplate();
    void body_escapesEveryInsertedValue();
    void text_carriesTheSameFactsPlainly();
    void send_deliversTheMail();
    void send_reportsFailuresWithoutDelivering();
    void mailFailureReason_data();
    void mailFailureReason();
    void loopback_isTheOnlyPlaceForAClearLogin_data();
    void loopback_isTheOnlyPlaceForAClearLogin();
    void send_withoutStartTls_refusesBeforeTheLogin();
    void send_toAStalledServer_failsWithinTheLimit();
    void destroy_withAStalledServer_returnsWithinTheCloseLimit_data();
    void destroy_withAStalledServer_returnsWithinTheCloseLimit();

private:
    QStringList savedMessages() const;
    QJsonObject savedMessage(const QString &name) const;

    QTemporaryDir m_inbox;
    QProcess m_server;
    quint16 m_port = 0;
};

void MailTest::initTestCase() {
    QVERIFY(m_inbox.isValid());
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(PARCELBOOK_SMTP_SERVER), serverUser, serverPassword, m_inbox.path()});
    QVERIFY2(m_server.waitForStarted(5000), qPrintable(m_server.errorString()));
    while (!m_server.canReadLine()) {
        QVERIFY2(m_server.waitForReadyRead(10000), "the SMTP test server did not report its port");
    }
    bool ok = false;
    m_port = m_server.readLine().trimmed().toUShort(&ok);
    QVERIFY(ok && m_port != 0);
}

void MailTest::cleanupTestCase() {
    m_server.kill();
    m_server.waitForFinished(5000);
}

QStringList MailTest::savedMessages() const {
    return QDir(m_inbox.path()).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
}

QJsonObject MailTest::savedMessage(const QString &name) const {
    QFile file(QDir(m_inbox.path()).filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

void MailTest::settings_comeFromTheEnvironment() {
    const char *names[] = {"PARCELBOOK_SMTP_URL",      "PARCELBOOK_MAIL_FROM", "PARCELBOOK_SMTP_USER",
                           "PARCELBOOK_SMTP_PASSWORD", "PARCELBOOK_SITE_URL",  "PARCELBOOK_MAKER_URL"};
    for (const char *name : names) {
        qunsetenv(name);
    }
    // Nothing is built in: without the variables or the services file, no server is set.
    const MailSettings defaults = MailSettings::configured();
    QVERIFY(defaults.smtpUrl.isEmpty());
    QVERIFY(defaults.from.isEmpty());
    QVERIFY(defaults.user.isEmpty());
    QVERIFY(defaults.password.isEmpty());

    const MailSites sites = MailSites::configured();
    QVERIFY(sites.site.isEmpty());
    QVERIFY(sites.makerSite.isEmpty());
    QCOMPARE(sites.serviceSite, QStringLiteral("https://kefu.lanzhou.example"));
    QCOMPARE(sites.forum, QStringLiteral("https://bbs.lanzhou.example/"));
    QCOMPARE(sites.makerHost, QStringLiteral("www.lanzhou.example"));
    QCOMPARE(sites.serviceNumber, QStringLiteral("800088517"));

    // The user follows an overridden senderAddress unless it is set itself.
    qputenv("PARCELBOOK_SMTP_URL", "smtp://127.0.0.1:2525");
    qputenv("PARCELBOOK_MAIL_FROM", "robot@127.0.0.1.test");
    qputenv("PARCELBOOK_SMTP_PASSWORD", "other");
    qputenv("PARCELBOOK_SITE_URL", "http://127.0.0.1:8080/");
    MailSettings changed = MailSettings::configured();
    QCOMPARE(changed.smtpUrl, QStringLiteral("smtp://127.0.0.1:2525"));
    QCOMPARE(changed.from, QStringLiteral("robot@127.0.0.1.test"));
    QCOMPARE(changed.user, QStringLiteral("robot@127.0.0.1.test"));
    QCOMPARE(changed.password, QStringLiteral("other"));
    qputenv("PARCELBOOK_SMTP_USER", "account7");
    changed = MailSettings::configured();
    QCOMPARE(changed.user, QStringLiteral("account7"));
    MailInputs in = phoneInputs();
    in.sites = MailSites::configured();
    QVERIFY(
        notify::mailBody(in).contains(QStringLiteral("url(http://127.0.0.1:8080/mail/images/head_bg.gif)")));

    for (const char *name : names) {
        qunsetenv(name);
    }
    qunsetenv("PARCELBOOK_SMTP_USER");
}

void MailTest::body_followsTheTemplate() {
    QCOMPARE(notify::mailSubject(QStringLiteral("手机")),
             QStringLiteral("您的快递【手机】有最新动态 - 岚舟包裹通"));

    MailInputs in = phoneInputs();
    in.announcementAddress = QStringLiteral("http://127.0.0.1:9/site/notice/12.html");
    in.announcementText = QStringLiteral("岚舟新品上线");
    const QString body = notify::mailBody(in);
    const QStringList pieces = templatePieces(in);
    QCOMPARE(pieces.size(), 40);
    qsizetype at = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        QVERIFY2(body.mid(at, pieces[i].size()) == pieces[i],
                 qPrintable(QStringLiteral("piece %1 differs near: %2").arg(i + 1).arg(body.mid(at, 80))));
        at += pieces[i].size();
    }
    QCOMPARE(body, pieces.join(QString()));
    QVERIFY(body.contains(firstLinePhone));
    QVERIFY(body.contains(QStringLiteral("2026-12-08 09:58:00 【杭州市】快件已到达 杭州转运中心</p>")));

    // Without a fetched announcement the paragraph stays, with an empty link.
    in.announcementAddress.clear();
    in.announcementText.clear();
    const QString plain = notify::mailBody(in);
    QVERIFY(plain.contains(emptyAnnouncement));
    QCOMPARE(plain, templatePieces(in).join(QString()));
}

void MailTest::body_escapesEveryInsertedValue() {
    MailInputs plain = phoneInputs();
    plain.pickupCode = QStringLiteral("8-2-1234");
    MailInputs hostile = plain;
    hostile.pickupCode = QStringLiteral("<8-2>&");
    hostile.goods = QStringLiteral("<b>\"A&B's\"</b>");
    hostile.number = QStringLiteral("12'3\"");
    hostile.company = QStringLiteral("顺丰 & <i>");
    hostile.entryTime = QStringLiteral("<br>");
    hostile.entryText = QStringLiteral("<script>alert('x')</script> & 已签收");
    hostile.transitTime = QStringLiteral("1天>");
    hostile.announcementAddress = QStringLiteral("http://127.0.0.1:9/a?x=1&y='2'");
    hostile.announcementText = QStringLiteral("<img src=x onerror=alert(1)>");
    hostile.now = QStringLiteral("\"now\"");
    hostile.sites.site = QStringLiteral("http://127.0.0.1:9/s?a=1&b='2'");
    hostile.sites.makerSite = QStringLiteral("http://127.0.0.1:9/'><script>");
    hostile.sites.serviceSite = QStringLiteral("http://127.0.0.1:9/k?<>");
    hostile.sites.forum = QStringLiteral("http://127.0.0.1:9/f&/");
    hostile.sites.makerHost = QStringLiteral("<host>");
    hostile.sites.serviceNumber = QStringLiteral("800'088");

    const QString body = notify::mailBody(hostile);
    QVERIFY(
        body.contains(QStringLiteral("【&lt;b&gt;&quot;A&amp;B&#39;s&quot;&lt;/b&gt;】（12&#39;3&quot;）")));
    QVERIFY(body.contains(
        QStringLiteral("&lt;br&gt; &lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; 已签收</p>")));
    QVERIFY(body.contains(QStringLiteral(">顺丰 &amp; &lt;i&gt;</font>")));
    QVERIFY(body.contains(QStringLiteral("<a href='http://127.0.0.1:9/a?x=1&amp;y=&#39;2&#39;' target")));
    QVERIFY(body.contains(QStringLiteral(">&lt;img src=x onerror=alert(1)&gt;</a>")));
    QVERIFY(body.contains(
        QStringLiteral("src='http://127.0.0.1:9/s?a=1&amp;b=&#39;2&#39;/mail/images/logo.png'")));
    QVERIFY(body.contains(QStringLiteral("href='http://127.0.0.1:9/&#39;&gt;&lt;script&gt;'")));
    QVERIFY(body.contains(QStringLiteral(">&quot;now&quot;</p>")));
    QVERIFY(body.contains(QStringLiteral("QQ:800&#39;088</p>")));
    QVERIFY(body.contains(QStringLiteral(
        "取件码：<font style='font-weight:bold;font-size:18px;color:red;'>&lt;8-2&gt;&amp;</font>")));
    QVERIFY(!body.contains(QStringLiteral("<script>")));
    QVERIFY(!body.contains(QStringLiteral("<img src=x")));

    // The markup itself is unchanged: the same number of tags, quotes and entity starts as with
    // harmless values, apart from the ampersands the escaping added.
    const QString reference = notify::mailBody(plain);
    for (const QChar c : {QLatin1Char('<'), QLatin1Char('>'), QLatin1Char('\''), QLatin1Char('"')}) {
        QVERIFY2(body.count(c) == reference.count(c), qPrintable(QString(c)));
    }
    // The subject is plain text and keeps the goods as they are.
    QCOMPARE(notify::mailSubject(hostile.goods),
             QStringLiteral("您的快递【<b>\"A&B's\"</b>】有最新动态 - 岚舟包裹通"));
}

void MailTest::text_carriesTheSameFactsPlainly() {
    MailInputs in = phoneInputs();
    in.entryText = QStringLiteral("<b>已签收</b> & 谢谢");
    QCOMPARE(notify::mailText(in),
             QStringLiteral("您的快递【手机】（YT8801234567）有了最新动态：\n"
                            "2026-12-08 09:58:00 <b>已签收</b> & 谢谢\n"
                            "当前您的快递约已派送：2天3小时15分（时间以圆通速递公司接单起计算）\n"
                            "感谢您使用岚舟包裹通,欢迎您继续支持岚舟其他产品!\n\n"
                            "岚舟技术工作室\nwww.maker.test\n2026-12-08 10:05:07\n\n"
                            "本邮件由岚舟包裹通系统自动发出，请勿回复。\n"
                            "如果您遇到问题或需要定制推广服务，请咨询客服QQ:800088517\n"));
    in.announcementAddress = QStringLiteral("http://127.0.0.1:9/site/notice/12.html");
    in.announcementText = QStringLiteral("岚舟新品上线");
    QVERIFY(notify::mailText(in).contains(
        QStringLiteral("其他产品!\n岚舟新品上线 http://127.0.0.1:9/site/notice/12.html\n\n岚舟技术工作室")));
    in.pickupCode = QStringLiteral("8-2-1234");
    QVERIFY(notify::mailText(in).contains(QStringLiteral("谢谢\n取件码：8-2-1234\n当前您的快递约已派送")));
}

void MailTest::send_deliversTheMail() {
    const qsizetype before = savedMessages().size();
    OutputCapture capture;
    SmtpMailer mailer(settingsFor(m_port, serverPassword));

    const MailInputs phone = phoneInputs();
    const SendEnd first =
        sendAndWait(mailer, messageFor(QStringLiteral(" someone@example.org "), phone), 10000);
    MailInputs hostile = phoneInputs();
    hostile.goods =
        QStringLiteral("<b>\"A&B's\"</b> 超长的商品名称用来检验主题行被拆成多个编码字之后依然完整无缺");
    hostile.entryText = QStringLiteral("<script>alert(1)</script> & 已签收");
    hostile.announcementAddress = QStringLiteral("http://127.0.0.1:9/n?id=1&k=2");
    hostile.announcementText = QStringLiteral("公告 <新>");
    const SendEnd second =
        sendAndWait(mailer, messageFor(QStringLiteral("other@example.org"), hostile), 10000);
    const QByteArray output = capture.finish();

    for (const SendEnd *outcome : {&first, &second}) {
        QVERIFY(outcome->result.has_value());
        QVERIFY2(bool(*outcome->result), qPrintable(reasonOf(*outcome->result)));
        QVERIFY(reasonOf(*outcome->result).isEmpty());
        QVERIFY(!outcome->calledInsideSend);
        QVERIFY(outcome->onCallerThread);
    }

    const QStringList saved = savedMessages();
    QCOMPARE(saved.size(), before + 2);
    const QJsonObject phoneMail = savedMessage(saved.at(before));
    QCOMPARE(phoneMail.value(QStringLiteral("mail_from")).toString(), senderAddress);
    QCOMPARE(phoneMail.value(QStringLiteral("rcpt_tos")).toArray(),
             QJsonArray{QStringLiteral("someone@example.org")});
    QCOMPARE(phoneMail.value(QStringLiteral("from")).toString(), senderAddress);
    QCOMPARE(phoneMail.value(QStringLiteral("to")).toString(), QStringLiteral("someone@example.org"));
    QCOMPARE(phoneMail.value(QStringLiteral("subject")).toString(),
             QStringLiteral("您的快递【手机】有最新动态 - 岚舟包裹通"));
    QCOMPARE(phoneMail.value(QStringLiteral("mime_version")).toString(), QStringLiteral("1.0"));
    QCOMPARE(phoneMail.value(QStringLiteral("html_content_type")).toString(), QStringLiteral("text/html"));
    QCOMPARE(phoneMail.value(QStringLiteral("html_charset")).toString(), QStringLiteral("utf-8"));
    QCOMPARE(phoneMail.value(QStringLiteral("html_transfer_encoding")).toString(), QStringLiteral("base64"));
    const QDateTime date =
        QDateTime::fromString(phoneMail.value(QStringLiteral("date")).toString(), Qt::RFC2822Date);
    QVERIFY2(date.isValid() && qAbs(date.secsTo(QDateTime::currentDateTime())) < 120,
             qPrintable(phoneMail.value(QStringLiteral("date")).toString()));
    QCOMPARE(phoneMail.value(QStringLiteral("content_type")).toString(),
             QStringLiteral("multipart/alternative"));
    QCOMPARE(phoneMail.value(QStringLiteral("part_types")).toArray(),
             (QJsonArray{QStringLiteral("text/plain"), QStringLiteral("text/html")}));
    QCOMPARE(phoneMail.value(QStringLiteral("plain_charset")).toString(), QStringLiteral("utf-8"));
    QCOMPARE(phoneMail.value(QStringLiteral("plain"))
                 .toString()
                 .replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
             notify::mailText(phone));
    const QString phoneHtml = phoneMail.value(QStringLiteral("html")).toString();
    QCOMPARE(phoneHtml, templatePieces(phone).join(QString()));
    QVERIFY(phoneHtml.contains(firstLinePhone));
    QVERIFY(phoneHtml.contains(emptyAnnouncement));

    const QJsonObject hostileMail = savedMessage(saved.at(before + 1));
    // Each message has its own identifier in the sender's domain.
    static const QRegularExpression messageId(
        QStringLiteral(R"(^<[0-9a-f]{32}\.\d+@baoguo\.lanzhou\.example>$)"));
    const QString firstId = phoneMail.value(QStringLiteral("message_id")).toString();
    const QString secondId = hostileMail.value(QStringLiteral("message_id")).toString();
    QVERIFY2(messageId.match(firstId).hasMatch(), qPrintable(firstId));
    QVERIFY2(messageId.match(secondId).hasMatch(), qPrintable(secondId));
    QVERIFY(firstId != secondId);
    QCOMPARE(hostileMail.value(QStringLiteral("subject")).toString(), notify::mailSubject(hostile.goods));
    const QString hostileHtml = hostileMail.value(QStringLiteral("html")).toString();
    QCOMPARE(hostileHtml, notify::mailBody(hostile));
    QVERIFY(hostileHtml.contains(QStringLiteral("【&lt;b&gt;&quot;A&amp;B&#39;s&quot;&lt;/b&gt; 超长")));
    QVERIFY(hostileHtml.contains(QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt; &amp; 已签收")));
    QVERIFY(hostileHtml.contains(QStringLiteral("<a href='http://127.0.0.1:9/n?id=1&amp;k=2' target")));
    QVERIFY(hostileHtml.contains(QStringLiteral(">公告 &lt;新&gt;</a>")));
    QVERIFY(!hostileHtml.contains(QStringLiteral("<script>")));

    // The header carries the subject as encoded words; the raw message never carries the password.
    QFile raw(
        QDir(m_inbox.path())
            .filePath(
                QString(saved.at(before + 1)).replace(QStringLiteral(".json"), QStringLiteral(".eml"))));
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray rawMail = raw.readAll();
    QVERIFY(rawMail.contains("Subject: =?UTF-8?B?"));
    QVERIFY(rawMail.contains("Content-Type: text/html; charset=UTF-8\r\n"));
    QVERIFY(!rawMail.contains(serverPassword.toUtf8()));
    QVERIFY2(!output.contains(serverPassword.toUtf8()), output.constData());
}

void MailTest::send_reportsFailuresWithoutDelivering() {
    const qsizetype before = savedMessages().size();
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 closedPort = closed.serverPort();
    closed.close();

    OutputCapture capture;
    SmtpMailer good(settingsFor(m_port, serverPassword));
    const SendEnd notAnAddress = sendAndWait(good, messageFor(QStringLiteral("无"), phoneInputs()), 10000);
    // A sender with a line break after it would end the SMTP command early.
    MailMessage brokenSender = messageFor(QStringLiteral("someone@example.org"), phoneInputs());
    brokenSender.from += QLatin1Char('\n');
    const SendEnd trailingBreak = sendAndWait(good, brokenSender, 10000);
    SmtpMailer refused(settingsFor(m_port, wrongPassword));
    const SendEnd loginRefused =
        sendAndWait(refused, messageFor(QStringLiteral("someone@example.org"), phoneInputs()), 10000);
    SmtpMailer unreachable(settingsFor(closedPort, serverPassword));
    const SendEnd noServer =
        sendAndWait(unreachable, messageFor(QStringLiteral("someone@example.org"), phoneInputs()), 10000);
    // An address of another kind is no mail server: the login never goes to a web server.
    QTcpServer web;
    QVERIFY(web.listen(QHostAddress::LocalHost));
    MailSettings toWeb = settingsFor(m_port, serverPassword);
    toWeb.smtpUrl = QStringLiteral("http://127.0.0.1:%1/").arg(web.serverPort());
    SmtpMailer webServer(toWeb);
    QCOMPARE(reasonOf(sendAndWait(webServer, messageFor(QStringLiteral("someone@example.org"), phoneInputs()),
                                  10000)
                          .result.value_or(MailResult())),
             QStringLiteral("发信服务器只接受 smtp:// 或 smtps:// 开头的地址"));
    const QByteArray output = capture.finish();
    QVERIFY(!web.hasPendingConnections());

    for (const SendEnd *outcome : {&notAnAddress, &trailingBreak, &loginRefused, &noServer}) {
        QVERIFY(outcome->result.has_value());
        QVERIFY(!bool(*outcome->result));
        QVERIFY(!reasonOf(*outcome->result).isEmpty());
        QVERIFY(!outcome->calledInsideSend);
        QVERIFY(outcome->onCallerThread);
        QVERIFY(!reasonOf(*outcome->result).contains(serverPassword));
        QVERIFY(!reasonOf(*outcome->result).contains(wrongPassword));
        qInfo("%s", qPrintable(reasonOf(*outcome->result)));
    }
    QVERIFY(reasonOf(*notAnAddress.result).contains(QStringLiteral("无")));
    // Refused before any connection, as no address at all.
    QVERIFY(reasonOf(*trailingBreak.result).startsWith(QStringLiteral("发件人")));
    // curl's failures are told in Chinese.
    QCOMPARE(reasonOf(*loginRefused.result), QStringLiteral("邮件服务器拒绝登录,请检查用户名和密码"));
    QCOMPARE(reasonOf(*noServer.result), QStringLiteral("无法连接邮件服务器"));
    QVERIFY2(noServer.elapsedMs < 5000, qPrintable(QString::number(noServer.elapsedMs)));
    QCOMPARE(savedMessages().size(), before);
    QVERIFY2(!output.contains(serverPassword.toUtf8()), output.constData());
    QVERIFY2(!output.contains(wrongPassword.toUtf8()), output.constData());
}

void MailTest::loopback_isTheOnlyPlaceForAClearLogin_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("loopback");
    const std::pair<const char *, bool> table[] = {
        {"smtp://127.0.0.1:2525", true},
        {"smtp://127.8.9.10", true},
        {"smtp://[::1]:25", true},
        {"smtp://localhost:25", true},
        {"smtp://LocalHost", true},
        {"smtp://user@127.0.0.1:25", true},
        {"smtps://127.0.0.1:465", true},
        {"smtp://smtp.lanzhou.example:25", false},
        {"smtp://128.0.0.1", false},
        {"smtp://10.0.0.1", false},
        {"smtp://[::2]", false},
        {"smtp://127.0.0.1.example", false},
        {"smtp://localhost.example", false},
        {"smtp://0.0.0.0", false},
        {"", false},
    };
    for (const auto &[url, loopback] : table) {
        QTest::newRow(url) << QString::fromLatin1(url) << loopback;
    }
}

void MailTest::loopback_isTheOnlyPlaceForAClearLogin() {
    QFETCH(QString, url);
    QFETCH(bool, loopback);
    QCOMPARE(isLoopbackMailServer(url), loopback);
}

void MailTest::send_withoutStartTls_refusesBeforeTheLogin() {
    // The same server taken as a remote one: it offers no STARTTLS, so the password must not go out.
    ScriptedSmtpServer server(Stall::None);
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SmtpOptions remote;
    remote.clearLoginToLoopback = false;
    SmtpMailer guarded(settingsFor(server.serverPort(), serverPassword), remote);
    const SendEnd refused =
        sendAndWait(guarded, messageFor(QStringLiteral("someone@example.org"), phoneInputs()), 10000);
    QVERIFY(refused.result.has_value());
    QVERIFY(!bool(*refused.result));
    QCOMPARE(reasonOf(*refused.result), QStringLiteral("邮件服务器不支持加密连接,未发送以免密码明文传输"));
    QVERIFY(!server.lines.isEmpty());
    for (const QByteArray &line : std::as_const(server.lines)) {
        QVERIFY2(!line.startsWith("AUTH") && !line.startsWith("MAIL"), line.constData());
    }

    // On this computer the same server gets the login and the mail.
    SmtpMailer local(settingsFor(server.serverPort(), serverPassword));
    const SendEnd sent =
        sendAndWait(local, messageFor(QStringLiteral("someone@example.org"), phoneInputs()), 10000);
    QVERIFY(sent.result.has_value());
    QVERIFY2(bool(*sent.result), qPrintable(reasonOf(*sent.result)));
    QVERIFY(std::any_of(server.lines.cbegin(), server.lines.cend(),
                        [](const QByteArray &line) { return line.startsWith("AUTH"); }));
}

void MailTest::send_toAStalledServer_failsWithinTheLimit() {
    // The server takes the whole mail and never says whether it accepts it, nor answers the farewell.
    ScriptedSmtpServer server(Stall::AfterData);
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SmtpOptions shortLimits;
    shortLimits.submissionLimit = std::chrono::milliseconds(1500);
    auto mailer = std::make_unique<SmtpMailer>(settingsFor(server.serverPort(), serverPassword), shortLimits);
    const SendEnd outcome =
        sendAndWait(*mailer, messageFor(QStringLiteral("someone@example.org"), phoneInputs()), 10000);
    QVERIFY(outcome.result.has_value());
    QVERIFY(server.stalled);
    QVERIFY(!bool(*outcome.result));
    QCOMPARE(reasonOf(*outcome.result), QStringLiteral("邮件服务器没有及时应答"));
    QVERIFY2(outcome.elapsedMs < 2500, qPrintable(QString::number(outcome.elapsedMs)));

    // The farewell is still unanswered; the sender's end does not wait for it.
    QElapsedTimer timer;
    timer.start();
    mailer.reset();
    QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
}

void MailTest::destroy_withAStalledServer_returnsWithinTheCloseLimit_data() {
    QTest::addColumn<Stall>("stall");
    QTest::addColumn<bool>("sentBeforeTheEnd");
    QTest::newRow("never greets") << Stall::BeforeGreeting << false;
    QTest::newRow("silent after the mail") << Stall::AfterData << false;
    QTest::newRow("silent at the farewell") << Stall::AtQuit << true;
}

void MailTest::destroy_withAStalledServer_returnsWithinTheCloseLimit() {
    QFETCH(Stall, stall);
    QFETCH(bool, sentBeforeTheEnd);
    ScriptedSmtpServer server(stall);
    QVERIFY(server.listen(QHostAddress::LocalHost));
    // The documented limits: nothing here runs out on its own during the test.
    auto mailer = std::make_unique<SmtpMailer>(settingsFor(server.serverPort(), serverPassword));
    std::optional<MailResult> result;
    mailer->send(messageFor(QStringLiteral("someone@example.org"), phoneInputs()),
                 [&result](const MailResult &outcome) { result = outcome; });
    QTRY_VERIFY_WITH_TIMEOUT(server.stalled, 5000);
    if (sentBeforeTheEnd) {
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
        QVERIFY(bool(*result));
    }

    QElapsedTimer timer;
    timer.start();
    mailer.reset();
    QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
    QTest::qWait(200);
    QCOMPARE(result.has_value(), sentBeforeTheEnd);
}

void MailTest::mailFailureReason_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("reason");
    const auto mail = [](const char *row, CURLcode code, const char *detail, const char *reason) {
        QTest::newRow(row) << int(code) << QString::fromLatin1(detail) << QString::fromUtf8(reason);
    };
    mail("no such mail host", CURLE_COULDNT_RESOLVE_HOST, "Could not resolve host: smtp.example",
         "找不到邮件服务器");
    mail("mail refused", CURLE_COULDNT_CONNECT, "Failed to connect to 127.0.0.1 port 1",
         "无法连接邮件服务器");
    mail("login denied", CURLE_LOGIN_DENIED, "Login denied", "邮件服务器拒绝登录,请检查用户名和密码");
    mail("recipient refused", CURLE_SEND_ERROR, "RCPT failed: 550", "邮件服务器拒绝了收件人");
    mail("sender refused", CURLE_SEND_ERROR, "MAIL failed: 553", "邮件服务器拒绝了发件人");
    mail("tls", CURLE_SSL_CONNECT_ERROR, "SSL connect error", "与邮件服务器的加密连接失败");
    mail("certificate", CURLE_PEER_FAILED_VERIFICATION, "SSL certificate problem",
         "与邮件服务器的加密连接失败");
    mail("mail timeout", CURLE_OPERATION_TIMEDOUT, "Operation timed out", "邮件服务器没有及时应答");
    mail("no starttls", CURLE_USE_SSL_FAILED, "STARTTLS not supported.",
         "邮件服务器不支持加密连接,未发送以免密码明文传输");
    mail("mail other", CURLE_FILESIZE_EXCEEDED, "Maximum file size exceeded", "邮件发送失败");
}

void MailTest::mailFailureReason() {
    QFETCH(int, code);
    QFETCH(QString, detail);
    QFETCH(QString, reason);
    // Curl's own words reach the log, and only there.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(detail) + u'$'));
    QCOMPARE(::mailFailureReason(code, detail), reason);
}

QTEST_GUILESS_MAIN(MailTest)
#include "tst_mail.moc"
