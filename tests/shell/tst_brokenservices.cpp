// Services that misbehave (never answer, cut their answer short, answer far too much, answer
// garbage) never stop the program: each failure takes its failure path and the window stays usable.
#include "support/HttpStub.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QPushButton>

using harness::answerWith;
using harness::Harness;
using harness::tickAnswerLimit;

namespace {

enum class Service { Version, Tracking, Recognition, Calibration };
enum class Mode { Hang, Cut, Oversized, Garbage };

const QString versionPath = QStringLiteral("/site/version/gx.txt");
const QString recognitionPath = QStringLiteral("/rec/autonumber/auto");
const QString probePath = QStringLiteral("/probe");

// Bytes no service would send: no marker, no version, no "503".
QByteArray garbage() {
    QByteArray bytes;
    for (int i = 0; i < 4096; ++i) {
        bytes.append(static_cast<char>((i * 37 + 11) % 251));
    }
    return bytes.replace("503", "xyz");
}

// Fires the time limit of every request still running, as if its time had run out.
void runOutOfTime(const Harness &h) {
    const QList<QTimer *> limits = h.fake.web.findChildren<QTimer *>(QStringLiteral("requestLimit"));
    QVERIFY(!limits.isEmpty());
    for (QTimer *limit : limits) {
        QVERIFY(QMetaObject::invokeMethod(limit, "timeout"));
    }
}

} // namespace

class BrokenServicesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void brokenService_takesItsFailurePath_data();
    void brokenService_takesItsFailurePath();

private:
    // Scripts the path to misbehave in this way; `good` is what a sound answer would have been.
    void misbehave(const QString &path, Mode mode, const QByteArray &good, qsizetype cap);

    HttpStub m_stub;
};

void BrokenServicesTest::initTestCase() {
    QVERIFY(m_stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", m_stub.baseUrl().toUtf8());
    qputenv("PARCELBOOK_RECOGNITION_URL", (m_stub.baseUrl() + QStringLiteral("/rec")).toUtf8());
    qputenv("PARCELBOOK_SITE_URL", (m_stub.baseUrl() + QStringLiteral("/site")).toUtf8());
    qputenv("PARCELBOOK_PROBE_URL", (m_stub.baseUrl() + probePath).toUtf8());
    qputenv("PARCELBOOK_TIME_URL", (m_stub.baseUrl() + QStringLiteral("/time")).toUtf8());
}

void BrokenServicesTest::init() {
    for (const QString &path : {versionPath, QStringLiteral("/"), recognitionPath, probePath}) {
        m_stub.stopHolding(path);
    }
    m_stub.answer(versionPath, "V5.0");
    m_stub.answer(QStringLiteral("/site/data/tg.txt"), "公告|http://127.0.0.1/");
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    m_stub.answer(recognitionPath, R"([{"comCode":"yuantong"}])");
    m_stub.answer(probePath, "<html>ok</html>");
    m_stub.answer(QStringLiteral("/time"), QByteArray());
    m_stub.clearRequests();
}

void BrokenServicesTest::misbehave(const QString &path, Mode mode, const QByteArray &good, qsizetype cap) {
    switch (mode) {
    case Mode::Hang:
        m_stub.neverAnswer(path);
        break;
    case Mode::Cut:
        m_stub.answerCut(path, good, good.size() * 2 / 3);
        break;
    case Mode::Oversized: {
        QByteArray huge = good;
        huge.append(QByteArray(cap + 1, ' '));
        m_stub.answer(path, huge);
        break;
    }
    case Mode::Garbage:
        m_stub.answer(path, garbage());
        break;
    }
}

void BrokenServicesTest::brokenService_takesItsFailurePath_data() {
    QTest::addColumn<Service>("service");
    QTest::addColumn<Mode>("mode");
    const struct {
        const char *name;
        Service service;
    } services[] = {{"version", Service::Version},
                    {"tracking", Service::Tracking},
                    {"recognition", Service::Recognition},
                    {"calibration", Service::Calibration}};
    const struct {
        const char *name;
        Mode mode;
    } modes[] = {{"hangs", Mode::Hang},
                 {"cut", Mode::Cut},
                 {"oversized", Mode::Oversized},
                 {"garbage", Mode::Garbage}};
    for (const auto &service : services) {
        for (const auto &mode : modes) {
            QTest::addRow("%s %s", service.name, mode.name) << service.service << mode.mode;
        }
    }
}

void BrokenServicesTest::brokenService_takesItsFailurePath() {
    QFETCH(Service, service);
    QFETCH(Mode, mode);
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));

    if (service == Service::Version) {
        // A version cut after "V5" must not read as a newer version and end the program.
        misbehave(versionPath, mode, "V5.0.1", 64 * 1024);
        h.open();
        h.startupCheck();
        if (mode == Mode::Hang) {
            TRY_COMPARE(m_stub.count(versionPath), 1);
            runOutOfTime(h);
        }
        TRY_COMPARE(h.hint(), QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"));
        QVERIFY(h.fake.dialogs.shown.isEmpty());
        QCOMPARE(h.fake.desktop.quits, 0);
        QVERIFY(h.picker()->isEnabled());
        return;
    }
    h.openReady();

    if (service == Service::Tracking) {
        h.child<QCheckBox>(QStringLiteral("Check3"))->setChecked(true);
        misbehave(QStringLiteral("/"), mode, answerWith(harness::inTransit()), 16 * 1024 * 1024);
        h.pick(0);
        TRY_COMPARE(m_stub.count(QStringLiteral("/")), 1);
        if (mode == Mode::Garbage) {
            TRY_COMPARE(h.hint(), QStringLiteral("查询服务返回了无法识别的数据,请稍后再试.."));
        } else {
            // Nothing usable came: the watch gives the window back after its ten ticks.
            QTest::qWait(mode == Mode::Hang ? 50 : 300);
            tickAnswerLimit(h.road(), 10);
            QCOMPARE(h.fake.dialogs.shown.size(), 1);
            QVERIFY(h.fake.dialogs.shown[0].text.startsWith(QStringLiteral("程序自动检测快递异常!")));
        }
        QVERIFY(h.picker()->isEnabled());
        QCOMPARE(h.list()->topLevelItemCount(), 0);
        QCOMPARE(h.storedCount(QStringLiteral("衣服")), QStringLiteral("0"));
        QVERIFY(h.fake.sound.played.isEmpty());
        return;
    }

    if (service == Service::Recognition) {
        misbehave(recognitionPath, mode, R"([{"comCode":"yuantong","noPre":"31"}])", 64 * 1024);
        h.key(Qt::Key_F4);
        h.child<QComboBox>(QStringLiteral("Text3"))->setEditText(QStringLiteral("3101234567890"));
        m_stub.clearRequests();
        QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command2")), Qt::LeftButton);
        TRY_COMPARE(m_stub.count(recognitionPath), 1);
        if (mode == Mode::Hang) {
            runOutOfTime(h);
        }
        TRY_COMPARE(h.child<QPushButton>(QStringLiteral("Command1_12"))->text(),
                    QStringLiteral("检测出错,请查询您的单号是否正确"));
        return;
    }

    // Calibration: a probe that brings no whole page means no connection; garbage is a page.
    misbehave(probePath, mode, "<html>ok</html>", 1024 * 1024);
    h.key(Qt::Key_F9);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command3")), Qt::LeftButton);
    TRY_COMPARE(m_stub.count(probePath), 1);
    if (mode == Mode::Hang) {
        runOutOfTime(h);
    }
    TRY_COMPARE(h.fake.dialogs.shown.size(), 1);
    QCOMPARE(h.fake.dialogs.shown[0].text, mode == Mode::Garbage
                                               ? QStringLiteral("时间校对成功!")
                                               : QStringLiteral("时间校准功能需要联网操作!"));
    QVERIFY(h.child<QPushButton>(QStringLiteral("Command3"))->isEnabled());
}

QTEST_MAIN(BrokenServicesTest)
#include "tst_brokenservices.moc"
