// The mail, sound and web seams load their modules on first use, and fail as a mail, a sound or a
// transfer fails.
#include "platform/ModuleMailer.h"
#include "platform/ModuleWebClient.h"
#include "platform/RealPlatform.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

const QString moduleFolder = QStringLiteral(PARCELBOOK_MODULE_DIR);

// Whether a shared object whose file name starts with `name` is mapped into this process.
bool mapped(const QByteArray &name) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        qFatal("cannot read /proc/self/maps");
    }
    return maps.readAll().contains(QByteArray('/' + name));
}

// A port on 127.0.0.1 that nothing listens on any more.
quint16 closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost)) {
        qFatal("no port on 127.0.0.1");
    }
    return probe.serverPort();
}

// Why a mail was not sent; empty when it was.
QString reasonOf(const MailResult &result) {
    return result ? QString() : result.failure().reason;
}

struct SendEnd {
    bool calledInsideSend = false;
    std::optional<MailResult> result;
};

SendEnd sendAndWait(Mailer &mailer) {
    SendEnd outcome;
    mailer.send({QStringLiteral("notice@baoguo.lanzhou.example"), QStringLiteral("me@mail.cn"),
                 QStringLiteral("主题"), QStringLiteral("<p>正文</p>"), QStringLiteral("正文")},
                [&outcome](const MailResult &result) { outcome.result = result; });
    outcome.calledInsideSend = outcome.result.has_value();
    static_cast<void>(QTest::qWaitFor([&outcome] { return outcome.result.has_value(); }, 10000));
    return outcome;
}

} // namespace

class ModulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mail_loadsTheSenderOnFirstMailAndReportsAMissingModule();
    void sound_loadsThePlayerOnFirstSoundAndIsSilentWithoutIt();
    void web_loadsTheNetworkOnFirstRequestAndReportsAMissingModule();
};

void ModulesTest::mail_loadsTheSenderOnFirstMailAndReportsAMissingModule() {
    QVERIFY(!mapped("libcurl"));
    const MailSettings settings{QStringLiteral("smtp://127.0.0.1:%1").arg(closedPort()),
                                QStringLiteral("notice@baoguo.lanzhou.example"),
                                QStringLiteral("notice@baoguo.lanzhou.example"), QStringLiteral("secret")};

    // Without the module the mail fails later in Chinese, naming the file it looked for (the loader's
    // own words go to the log).
    QTemporaryDir empty;
    const auto sameSettings = [settings] {
        return settings;
    };
    const std::unique_ptr<CurrentSettingsMailer> missing = moduleMailer(sameSettings, empty.path());
    const SendEnd notLoaded = sendAndWait(*missing);
    QVERIFY(notLoaded.result.has_value());
    QVERIFY(!notLoaded.calledInsideSend);
    QVERIFY(!bool(*notLoaded.result));
    QVERIFY2(reasonOf(*notLoaded.result).contains(QStringLiteral("parcelbook-smtp")),
             qPrintable(reasonOf(*notLoaded.result)));
    QVERIFY(!mapped("libcurl"));

    // With it, the real sender takes the mail: the closed port gives curl's own failure.
    const std::unique_ptr<CurrentSettingsMailer> mailer = moduleMailer(sameSettings, moduleFolder);
    const SendEnd refused = sendAndWait(*mailer);
    QVERIFY(refused.result.has_value());
    QVERIFY(!refused.calledInsideSend);
    QVERIFY(!bool(*refused.result));
    QVERIFY(!reasonOf(*refused.result).isEmpty());
    QVERIFY2(!reasonOf(*refused.result).contains(QStringLiteral("parcelbook-smtp")),
             qPrintable(reasonOf(*refused.result)));
    QVERIFY(mapped("libcurl"));
}

void ModulesTest::sound_loadsThePlayerOnFirstSoundAndIsSilentWithoutIt() {
    QVERIFY(!mapped("libQt6Multimedia"));
    QTemporaryDir empty;
    RealSound silent(empty.path());
    silent.play(moduleFolder + QStringLiteral("/ts.mp3"));
    QVERIFY(!mapped("libQt6Multimedia"));

    RealSound sound(moduleFolder);
    sound.play(moduleFolder + QStringLiteral("/ts.mp3"));
    QVERIFY(mapped("libQt6Multimedia"));
}

void ModulesTest::web_loadsTheNetworkOnFirstRequestAndReportsAMissingModule() {
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(closedPort());
    QObject receiver;
    // Without the module the request fails later in Chinese, naming the file it looked for; a receiver
    // gone by then hears nothing.
    QTemporaryDir empty;
    ModuleWebClient missing(empty.path());
    std::optional<WebReply> notLoaded;
    QVERIFY(missing.get(url, &receiver, [&notLoaded](const WebReply &reply) { notLoaded = reply; }) ==
            nullptr);
    bool goneHeard = false;
    auto *gone = new QObject;
    missing.get(url, gone, [&goneHeard](const WebReply &) { goneHeard = true; });
    delete gone;
    QVERIFY(!notLoaded.has_value());
    QTRY_VERIFY(notLoaded.has_value());
    QCOMPARE(notLoaded->failure.value_or(Failure{}).reason,
             QStringLiteral("网络模块 libparcelbook-web.so 无法加载"));
    QVERIFY(!goneHeard);
    QVERIFY(!mapped("libparcelbook-web"));

    // With it, the real transfer runs: the closed port gives the network library's own failure.
    ModuleWebClient web(moduleFolder);
    std::optional<WebReply> refused;
    QVERIFY(web.get(url, &receiver, [&refused](const WebReply &reply) { refused = reply; }) != nullptr);
    QVERIFY(mapped("libparcelbook-web"));
    QTRY_VERIFY(refused.has_value());
    const QString reason = refused->failure.value_or(Failure{}).reason;
    QVERIFY2(!reason.isEmpty() && !reason.contains(QStringLiteral("libparcelbook-web")), qPrintable(reason));
}

QTEST_MAIN(ModulesTest)
#include "tst_modules.moc"
