// Loop and timed queries, clear/refresh/export, progress-list gestures, balloon, clock and calibration,
// through the real window against the in-process stub service.
#include "support/HttpStub.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTemporaryDir>

using harness::answerWith;
using harness::Harness;
using harness::tickAnswerLimit;

namespace {

QPushButton *button(const Harness &h, int element) {
    return h.child<QPushButton>(QStringLiteral("Command1_%1").arg(element));
}

void tick(QTimer *timer) {
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

const QList<QPair<QString, QString>> signedFor = {
    {QStringLiteral("2026-12-08 09:00:00"), QStringLiteral("已签收，感谢使用")},
    {QStringLiteral("2026-12-07 09:00:00"), QStringLiteral("派件中")}};

} // namespace

class ModesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void modes_startConditionsInOrder();
    void loop_queriesEveryIntervalAndHoldsTheWindow();
    void loop_restsUntilTomorrowOnceTheQuotaIsUsedUp();
    void timed_firesAtItsMinuteOnce();
    void panels_switchAndAskOnlyWhileAModeRuns();
    void clear_emptiesOnlyTheBook();
    void refresh_reloadsAndOptionallyQueries();
    void export_writesGbkLinesOrSaysWhy();
    void gestures_balloonCopyAndLargeType();
    void clockAndCalibration();
    void calibration_givesUpOnASilentTimeSource();

private:
    // A window with one queried parcel (圆通, in transit).
    void openQueried(Harness &h) const;

    HttpStub m_stub;
};

void ModesTest::initTestCase() {
    QVERIFY(m_stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", m_stub.baseUrl().toUtf8());
    qputenv("PARCELBOOK_SITE_URL", (m_stub.baseUrl() + QStringLiteral("/site")).toUtf8());
    qputenv("PARCELBOOK_PROBE_URL", (m_stub.baseUrl() + QStringLiteral("/probe")).toUtf8());
    qputenv("PARCELBOOK_TIME_URL", (m_stub.baseUrl() + QStringLiteral("/time")).toUtf8());
}

void ModesTest::init() {
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.0");
    m_stub.answer(QStringLiteral("/site/data/tg.txt"), "公告|http://127.0.0.1/");
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    m_stub.clearRequests();
    QGuiApplication::clipboard()->clear();
}

void ModesTest::openQueried(Harness &h) const {
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.openReady();
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
}

void ModesTest::modes_startConditionsInOrder() {
    Harness h;
    h.openReady();
    h.key(Qt::Key_F9);
    button(h, 17)->click();
    QVERIFY(h.child<QGroupBox>(QStringLiteral("Frame6"))->isVisible());
    // An empty picker, for either mode.
    button(h, 16)->click();
    button(h, 15)->click();
    button(h, 18)->click();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("请先查询单号后在使用本功能!"),
                                                  QStringLiteral("请先查询单号后在使用定时功能!")}));
    QCOMPARE(button(h, 16)->text(), QStringLiteral("开始循环"));
    QCOMPARE(button(h, 18)->text(), QStringLiteral("开始定时"));

    // A parcel in the picker but not queried yet.
    h.folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"), QStringLiteral("手机"));
    h.key(Qt::Key_F8);
    h.fake.dialogs.shown.clear();
    button(h, 18)->click();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("请先查询单号后在使用定时功能!")}));

    // Queried: the time must be set first.
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    h.fake.dialogs.shown.clear();
    h.child<QComboBox>(QStringLiteral("Combo3"))->setCurrentIndex(-1);
    button(h, 18)->click();
    button(h, 17)->click();
    button(h, 16)->click();
    QCOMPARE(h.fake.dialogs.texts(),
             QStringList({QStringLiteral("请设定查询时间!"), QStringLiteral("请先设定时间!")}));

    // Signed for: neither mode.
    m_stub.answer(QStringLiteral("/"), answerWith(signedFor));
    h.pick(0);
    TRY_COMPARE(h.field(2), QStringLiteral("已签收"));
    h.child<QComboBox>(QStringLiteral("Combo4"))->setCurrentIndex(0);
    h.fake.dialogs.shown.clear();
    button(h, 16)->click();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("当前快递已签收,您不需要使用此功能")}));
    QCOMPARE(button(h, 16)->text(), QStringLiteral("开始循环"));
    QVERIFY(!h.timer(QStringLiteral("Timer6"))->isActive());

    // With the service silent, the status the book kept stands in for the answer that never came.
    m_stub.neverAnswer(QStringLiteral("/"));
    h.pick(0);
    QCOMPARE(h.field(2), QStringLiteral("已签收"));
    tickAnswerLimit(h.road(), 10);
    h.fake.dialogs.shown.clear();
    button(h, 16)->click();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("当前快递已签收,您不需要使用此功能")}));
    m_stub.release(QStringLiteral("/"));
}

void ModesTest::loop_queriesEveryIntervalAndHoldsTheWindow() {
    Harness h;
    openQueried(h);
    QTimer *loop = h.timer(QStringLiteral("Timer6"));
    QCOMPARE(loop->interval(), 60000);
    h.key(Qt::Key_F9);
    button(h, 17)->click();
    auto *interval = h.child<QComboBox>(QStringLiteral("Combo4"));
    interval->setCurrentIndex(0);
    button(h, 16)->click();
    QCOMPARE(button(h, 16)->text(), QStringLiteral("停止循环"));
    QVERIFY(loop->isActive());
    QVERIFY(!h.picker()->isEnabled());
    QVERIFY(!interval->isEnabled());
    QVERIFY(!h.icon(1)->isEnabled());
    QVERIFY(h.icon(6)->isEnabled());

    // Interval 1: a query at every minute tick, the first one a minute after the start.
    m_stub.clearRequests();
    for (int minute = 1; minute <= 3; ++minute) {
        tick(loop);
        TRY_COMPARE(m_stub.count(QStringLiteral("/")), minute);
        TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
        QVERIFY(!h.picker()->isEnabled());
        QVERIFY(!h.icon(3)->isEnabled());
        QVERIFY(h.icon(6)->isEnabled());
        QVERIFY(!h.pageShown(1));
    }

    // A failure code or F11 during the loop gives back no more than the loop allows.
    m_stub.answerOnce(QStringLiteral("/"), harness::codeAnswer("3"));
    tick(loop);
    TRY_COMPARE(h.hint(), QStringLiteral("链接查询服务器失败!请稍后再试.."));
    QVERIFY(!h.picker()->isEnabled());
    QVERIFY(!h.icon(1)->isEnabled());
    QVERIFY(h.icon(6)->isEnabled());
    h.fake.dialogs.answers = {true};
    h.key(Qt::Key_F11);
    QCOMPARE(h.hint(), QStringLiteral("程序初始化完毕.."));
    QVERIFY(!h.picker()->isEnabled());
    QVERIFY(!h.icon(3)->isEnabled());
    QVERIFY(h.icon(6)->isEnabled());
    h.fake.dialogs.shown.clear();
    tick(loop);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));

    // Stopping gives the window back without a question.
    h.key(Qt::Key_F9);
    button(h, 16)->click();
    QCOMPARE(button(h, 16)->text(), QStringLiteral("开始循环"));
    QVERIFY(!loop->isActive());
    QVERIFY(h.picker()->isEnabled());
    QVERIFY(interval->isEnabled());
    QVERIFY(h.icon(1)->isEnabled());
    QVERIFY(h.fake.dialogs.shown.isEmpty());

    // Interval 3: the third tick queries, the first two do not.
    interval->setCurrentText(QStringLiteral("3"));
    button(h, 16)->click();
    m_stub.clearRequests();
    tick(loop);
    tick(loop);
    QTest::qWait(50);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);
    tick(loop);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 1);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));

    // Clearing the book ends the loop: its parcel is gone, so no later tick queries or alerts.
    h.fake.sound.played.clear();
    h.fake.dialogs.answers = {true};
    h.key(Qt::Key_F6);
    QCOMPARE(h.hint(), QStringLiteral("快递列表已清空..."));
    QCOMPARE(button(h, 16)->text(), QStringLiteral("开始循环"));
    QVERIFY(!loop->isActive());
    QVERIFY(h.picker()->isEnabled());
    for (int minute = 0; minute < 3; ++minute) {
        tick(loop);
    }
    QTest::qWait(50);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 1);
    QVERIFY(h.fake.sound.played.isEmpty());
}

void ModesTest::loop_restsUntilTomorrowOnceTheQuotaIsUsedUp() {
    Harness h;
    openQueried(h);
    QTimer *loop = h.timer(QStringLiteral("Timer6"));
    h.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(23, 57, 0));
    h.child<QCheckBox>(QStringLiteral("Check7"))->setChecked(true);
    h.key(Qt::Key_F9);
    button(h, 17)->click();
    h.child<QComboBox>(QStringLiteral("Combo4"))->setCurrentIndex(0);
    button(h, 16)->click();
    const QString paused = QStringLiteral("非常抱歉!API今日查询次数已尽,请您明日再使用!(今日不再自动查询)");
    m_stub.answer(QStringLiteral("/"), harness::codeAnswer("22"));
    m_stub.clearRequests();
    tick(loop);
    TRY_COMPARE(h.hint(), paused);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 1);

    // The rest of the day the loop's turns send nothing.
    h.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(23, 58, 0));
    tick(loop);
    QTest::qWait(50);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 1);
    QCOMPARE(h.hint(), paused);

    // A query by hand goes out all the same; the loop stopped and started again stays paused.
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    h.key(Qt::Key_F8);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 2);
    h.key(Qt::Key_F9);
    button(h, 16)->click();
    button(h, 16)->click();
    QCOMPARE(button(h, 16)->text(), QStringLiteral("停止循环"));
    tick(loop);
    QTest::qWait(50);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 2);
    QCOMPARE(h.hint(), paused);

    // Past midnight the next turn queries again.
    h.fake.clock.current = QDateTime(QDate(2026, 12, 9), QTime(0, 0, 30));
    tick(loop);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 3);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
}

void ModesTest::timed_firesAtItsMinuteOnce() {
    Harness h;
    openQueried(h);
    QTimer *timed = h.timer(QStringLiteral("Timer4"));
    h.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 30));
    h.key(Qt::Key_F9);
    auto *hour = h.child<QComboBox>(QStringLiteral("Combo2"));
    auto *minute = h.child<QComboBox>(QStringLiteral("Combo3"));

    // A minute that has passed today does not fire.
    hour->setCurrentText(QStringLiteral("9"));
    minute->setCurrentText(QStringLiteral("59"));
    button(h, 18)->click();
    QCOMPARE(button(h, 18)->text(), QStringLiteral("关闭定时"));
    QVERIFY(!hour->isEnabled());
    QVERIFY(!h.picker()->isEnabled());
    m_stub.clearRequests();
    for (int second = 0; second < 5; ++second) {
        tick(timed);
    }
    QTest::qWait(50);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);
    QVERIFY(timed->isActive());
    button(h, 18)->click();
    QCOMPARE(button(h, 18)->text(), QStringLiteral("开始定时"));
    QVERIFY(!timed->isActive());
    QVERIFY(h.picker()->isEnabled());

    // The current minute fires within a tick, once; the caption and the lock stay.
    hour->setCurrentText(QStringLiteral("10"));
    minute->setCurrentText(QStringLiteral("0"));
    button(h, 18)->click();
    tick(timed);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 1);
    QVERIFY(!timed->isActive());
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(button(h, 18)->text(), QStringLiteral("关闭定时"));
    QVERIFY(!h.picker()->isEnabled());
    QVERIFY(h.icon(6)->isEnabled());
    QVERIFY(!h.icon(1)->isEnabled());
    h.key(Qt::Key_F9);
    button(h, 18)->click();
    QCOMPARE(button(h, 18)->text(), QStringLiteral("开始定时"));
    QVERIFY(h.picker()->isEnabled());
    QVERIFY(h.icon(1)->isEnabled());
    QVERIFY(hour->isEnabled());
}

void ModesTest::panels_switchAndAskOnlyWhileAModeRuns() {
    Harness h;
    openQueried(h);
    h.key(Qt::Key_F9);
    auto *timedPanel = h.child<QGroupBox>(QStringLiteral("Frame4"));
    auto *loopPanel = h.child<QGroupBox>(QStringLiteral("Frame6"));
    QVERIFY(timedPanel->isVisible());
    QVERIFY(!loopPanel->isVisible());

    button(h, 17)->click();
    QVERIFY(loopPanel->isVisible());
    QVERIFY(!timedPanel->isVisible());
    QCOMPARE(loopPanel->pos(), timedPanel->pos());
    button(h, 15)->click();
    QVERIFY(timedPanel->isVisible());
    QVERIFY(h.fake.dialogs.shown.isEmpty());

    // The timed query armed: No keeps it, Yes stops it and shows the loop panel.
    button(h, 18)->click();
    h.fake.dialogs.answers = {false};
    button(h, 17)->click();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("当前正在定时查询,是否终止?")}));
    QVERIFY(timedPanel->isVisible());
    QCOMPARE(button(h, 18)->text(), QStringLiteral("关闭定时"));
    h.fake.dialogs.answers = {true};
    button(h, 17)->click();
    QVERIFY(loopPanel->isVisible());
    QCOMPARE(button(h, 18)->text(), QStringLiteral("开始定时"));
    QVERIFY(!h.timer(QStringLiteral("Timer4"))->isActive());
    QVERIFY(h.picker()->isEnabled());

    // The loop running: the same question for the other panel.
    h.child<QComboBox>(QStringLiteral("Combo4"))->setCurrentIndex(4);
    button(h, 16)->click();
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {true};
    button(h, 15)->click();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("当前正在循环查询,是否终止?")}));
    QVERIFY(timedPanel->isVisible());
    QCOMPARE(button(h, 16)->text(), QStringLiteral("开始循环"));
    QVERIFY(!h.timer(QStringLiteral("Timer6"))->isActive());
    QVERIFY(h.icon(1)->isEnabled());
}

void ModesTest::clear_emptiesOnlyTheBook() {
    Harness h;
    openQueried(h);
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"), QStringLiteral("鞋"));
    const auto countOf = [&h](const QString &table) {
        Database db = h.folder.open();
        Statement count = db.prepare(QStringLiteral("SELECT count(*) FROM ") + table);
        count.next();
        return count.integer(0);
    };
    const auto couriers = countOf(QStringLiteral("list"));
    const QString hintBefore = h.hint();

    h.fake.dialogs.answers = {false};
    h.key(Qt::Key_F6);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("确定要清空快递列表吗?")}));
    QCOMPARE(countOf(QStringLiteral("parcelbook")), 2);
    QCOMPARE(h.picker()->count(), 1);
    QCOMPARE(h.list()->topLevelItemCount(), 3);
    QCOMPARE(h.hint(), hintBefore);

    // A store that refuses: reported, and picker and list stay.
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("ALTER TABLE parcelbook RENAME TO parcelbook_away"));
    }
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.icon(2), Qt::LeftButton);
    QVERIFY(h.hint().startsWith(QStringLiteral("快递列表清空失败!错误原因")));
    QCOMPARE(h.picker()->count(), 1);
    QCOMPARE(h.list()->topLevelItemCount(), 3);
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("ALTER TABLE parcelbook_away RENAME TO parcelbook"));
    }

    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.icon(2), Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("快递列表已清空..."));
    QCOMPARE(countOf(QStringLiteral("parcelbook")), 0);
    QCOMPARE(countOf(QStringLiteral("list")), couriers);
    QCOMPARE(countOf(QStringLiteral("setting")), 1);
    QCOMPARE(h.picker()->count(), 0);
    QVERIFY(h.picker()->currentText().isEmpty());
    QCOMPARE(h.list()->topLevelItemCount(), 0);
}

void ModesTest::refresh_reloadsAndOptionallyQueries() {
    Harness h;
    h.openReady();
    // An empty book with "默认查询" on selects nothing.
    h.child<QCheckBox>(QStringLiteral("Check7"))->setChecked(true);
    QTest::mouseClick(h.icon(5), Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("快递列表已刷新.."));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);

    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"), QStringLiteral("鞋"));
    h.child<QCheckBox>(QStringLiteral("Check7"))->setChecked(false);
    h.key(Qt::Key_F8);
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服"), QStringLiteral("鞋")}));
    QCOMPARE(h.picker()->currentIndex(), -1);
    QTest::qWait(50);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);

    h.child<QCheckBox>(QStringLiteral("Check7"))->setChecked(true);
    h.key(Qt::Key_F8);
    QCOMPARE(h.hint(), QStringLiteral("快递列表已刷新.."));
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 1);
    QVERIFY(m_stub.requests(QStringLiteral("/")).first().target.contains("nu=3101234567890"));
    TRY_COMPARE(h.list()->topLevelItemCount(), 3);
}

void ModesTest::export_writesGbkLinesOrSaysWhy() {
    Harness h;
    h.openReady();
    QTemporaryDir out;
    // Nothing to export: no dialog at all.
    h.key(Qt::Key_F10);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("没有可导出的数据!")}));
    QVERIFY(h.fake.dialogs.saveFilters.isEmpty());

    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.key(Qt::Key_F8);
    // The service escapes inside its strings; the list, the copy and the file show what it meant.
    m_stub.answer(QStringLiteral("/"),
                  answerWith({{QStringLiteral("2026-12-08 08:00:00"),
                               QStringLiteral(R"(到达 \"杭州\" \u4e2d\u8f6c https:\/\/x.cn)")},
                              {QStringLiteral("2026-12-07 08:00:00"), QStringLiteral("已揽收")}}));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    const QString meant = QStringLiteral(R"(到达 "杭州" 中转 https://x.cn)");
    QCOMPARE(h.list()->topLevelItem(0)->text(2), meant);
    const QPoint newest = h.list()->visualItemRect(h.list()->topLevelItem(0)).center();
    QTest::mouseClick(h.list()->viewport(), Qt::LeftButton, {}, newest);
    QTest::mouseDClick(h.list()->viewport(), Qt::LeftButton, {}, newest);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("2026-12-08 08:00:00 ") + meant);

    // The dialog proposes the parcel's file in the documents folder, or in the home folder while
    // there is none. Cancel: a hint, no message, no file.
    const QByteArray realHome = qgetenv("HOME");
    const QByteArray realConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", realHome);
        realConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", realConfig);
    });
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.saveAnswers = {std::nullopt, std::nullopt};
    h.key(Qt::Key_F10);
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Documents")));
    h.key(Qt::Key_F10);
    QCOMPARE(h.fake.dialogs.saveProposals,
             QStringList({home.filePath(QStringLiteral("物流进度-3101234567890.txt")),
                          home.filePath(QStringLiteral("Documents/物流进度-3101234567890.txt"))}));
    QCOMPARE(h.hint(), QStringLiteral("已取消保存"));
    QVERIFY(h.fake.dialogs.shown.isEmpty());
    QCOMPARE(h.fake.dialogs.saveFilters, QStringList(2, QStringLiteral("(TXT文本) (*.txt)")));

    // Typed without a suffix, the file gets ".txt".
    const QString file = out.filePath(QStringLiteral("进度.txt"));
    h.fake.dialogs.saveAnswers = {out.filePath(QStringLiteral("进度"))};
    QTest::mouseClick(h.icon(7), Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("成功导出全部数据!")}));
    QCOMPARE(h.hint(), QStringLiteral("成功导出全部数据.."));
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QStringEncoder gbk("GB18030");
    const QByteArray expected = gbk.encode(QStringLiteral("1          2026-12-08 08:00:00   ") + meant +
                                           QStringLiteral("\r\n2          2026-12-07 08:00:00   已揽收\r\n"));
    QCOMPARE(bytes, expected);
    QVERIFY(bytes.contains("\xb5\xbd\xb4\xef")); // 到达 in GBK

    // A place that cannot be written: a failure with its reason, and no file.
    h.fake.dialogs.shown.clear();
    const QString impossible = file + QStringLiteral("/不能写.txt");
    h.fake.dialogs.saveAnswers = {impossible};
    h.key(Qt::Key_F10);
    QCOMPARE(h.fake.dialogs.shown.size(), 1);
    QVERIFY(h.fake.dialogs.shown[0].text.startsWith(QStringLiteral("数据导出失败!错误原因")));
    QVERIFY(!h.fake.dialogs.shown[0].text.contains(QStringLiteral("成功")));
    QCOMPARE(h.hint(), QStringLiteral("数据导出失败.."));
    QVERIFY(!QFile::exists(impossible));
}

void ModesTest::gestures_balloonCopyAndLargeType() {
    Harness h;
    h.openReady();
    QWidget *viewport = h.list()->viewport();
    auto *large = h.child<QWidget>(QStringLiteral("Picture5"));

    // An empty list.
    QTest::mouseClick(viewport, Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("程序已加载完毕,当前没有快递单。"));
    h.child<QCheckBox>(QStringLiteral("Check6"))->setChecked(true);
    QTest::mouseClick(viewport, Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("当前没有物流信息"));
    h.child<QLabel>(QStringLiteral("Label11_2"))->clear();
    QTest::mouseDClick(viewport, Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("当前没有物流信息"));
    h.child<QLabel>(QStringLiteral("Label11_2"))->clear();
    QTest::mousePress(viewport, Qt::RightButton);
    QCOMPARE(h.hint(), QStringLiteral("当前没有物流信息"));
    QVERIFY(!large->isVisible());

    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    // The service's words are text wherever they are shown: markup in them is not obeyed.
    const QString markup = QStringLiteral("<b>x</b><a href=\"http://127.0.0.1/\">y</a>");
    QList<QPair<QString, QString>> entries = harness::inTransit();
    entries[1].second = QStringLiteral("<b>x</b><a href=\\\"http://127.0.0.1/\\\">y</a>");
    m_stub.answer(QStringLiteral("/"), answerWith(entries));
    h.key(Qt::Key_F8);
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QTreeWidgetItem *second = h.list()->topLevelItem(1);
    QCOMPARE(second->text(2), markup);
    const QPoint at = h.list()->visualItemRect(second).center();

    // A click shows the balloon with the entry; a second click still leaves one balloon.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    const QList<QWidget *> balloons = h.list()->findChildren<QWidget *>(QStringLiteral("balloonTip"));
    QCOMPARE(balloons.size(), 1);
    QStringList texts;
    for (const QLabel *label : balloons.first()->findChildren<QLabel *>()) {
        texts.append(label->text());
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(texts, QStringList({QStringLiteral("物流跟踪信息"), QStringLiteral("时间:") + second->text(1) +
                                                                     QStringLiteral("\r\n物流进度:") +
                                                                     second->text(2)}));

    // A double click copies "time progress", with no line break.
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QCOMPARE(QGuiApplication::clipboard()->text(), second->text(1) + QStringLiteral(" ") + second->text(2));
    QCOMPARE(h.hint(), QStringLiteral("单条物流进度已复制.."));

    // Left and middle buttons never open the large view; the right button does, a click closes it.
    QTest::mousePress(viewport, Qt::MiddleButton, {}, at);
    QTest::mouseRelease(viewport, Qt::MiddleButton, {}, at);
    QVERIFY(!large->isVisible());
    QTest::mousePress(viewport, Qt::RightButton, {}, at);
    QVERIFY(large->isVisible());
    QCOMPARE(large->geometry(), QRect(0, 0, 770, 517));
    QCOMPARE(h.child<QLabel>(QStringLiteral("Label23"))->text(),
             second->text(1) + QStringLiteral(" ") + markup);
    QCOMPARE(h.child<QLabel>(QStringLiteral("Label23"))->textFormat(), Qt::PlainText);
    QCOMPARE(h.child<QLabel>(QStringLiteral("Label23"))->font().pointSize(), 36);
    QTest::mouseClick(large, Qt::LeftButton);
    QVERIFY(!large->isVisible());

    // A refresh empties the list: the old row's place holds no entry any more.
    h.key(Qt::Key_F8);
    QCOMPARE(h.list()->topLevelItemCount(), 0);
    QGuiApplication::clipboard()->clear();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QCOMPARE(h.hint(), QStringLiteral("当前没有物流信息"));
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
}

void ModesTest::clockAndCalibration() {
    Harness h;
    h.openReady();
    QTimer *clock = h.timer(QStringLiteral("Timer5"));
    QVERIFY(clock->isActive());
    h.fake.clock.current = QDateTime(QDate(2026, 1, 5), QTime(9, 5, 7));
    tick(clock);
    QCOMPARE(h.child<QLabel>(QStringLiteral("Label11_5"))->text(), QStringLiteral("2026-1-5 9:05:07"));

    auto *calibrate = h.child<QPushButton>(QStringLiteral("Command3"));
    // No connection: the probe's body is empty.
    m_stub.answer(QStringLiteral("/probe"), QByteArray());
    calibrate->click();
    QVERIFY(!calibrate->isEnabled());
    TRY_VERIFY(calibrate->isEnabled());
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("时间校准功能需要联网操作!")}));
    QCOMPARE(h.fake.dialogs.shown[0].title, QStringLiteral("提示"));
    QVERIFY(h.fake.clock.sets.isEmpty());

    // One Date header sets date and time together, eight hours after GMT, across midnight.
    m_stub.answer(QStringLiteral("/probe"), "<html>ok</html>");
    m_stub.answer(QStringLiteral("/time"), "", 200, {{"Date", "Mon, 07 Dec 2026 20:30:00 GMT"}});
    h.fake.dialogs.shown.clear();
    calibrate->click();
    TRY_VERIFY(calibrate->isEnabled());
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("时间校对成功!")}));
    QCOMPARE(h.fake.clock.sets.size(), 1);
    QCOMPARE(h.fake.clock.sets[0].toOffsetFromUtc(8 * 3600).date(), QDate(2026, 12, 8));
    QCOMPARE(h.fake.clock.sets[0].toOffsetFromUtc(8 * 3600).time(), QTime(4, 30, 0));
    QCOMPARE(m_stub.requests(QStringLiteral("/time")).last().method, QByteArray("HEAD"));

    // A header that is no date, or a clock the system will not set: a failure, never success.
    m_stub.answer(QStringLiteral("/time"), "", 200, {{"Date", "soon"}});
    h.fake.dialogs.shown.clear();
    calibrate->click();
    TRY_VERIFY(calibrate->isEnabled());
    QCOMPARE(h.fake.dialogs.shown.size(), 1);
    QVERIFY(h.fake.dialogs.shown[0].text.startsWith(QStringLiteral("时间校对失败!")));
    QCOMPARE(h.fake.clock.sets.size(), 1);
    m_stub.answer(QStringLiteral("/time"), "", 200, {{"Date", "Mon, 07 Dec 2026 20:30:00 GMT"}});
    h.fake.clock.setError = QStringLiteral("权限不足");
    h.fake.dialogs.shown.clear();
    calibrate->click();
    TRY_VERIFY(calibrate->isEnabled());
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("时间校对失败!错误原因权限不足")}));

    // While the probe waits the window stays live and the button stays disabled.
    m_stub.neverAnswer(QStringLiteral("/probe"));
    calibrate->click();
    h.fake.clock.current = QDateTime(QDate(2026, 1, 5), QTime(9, 5, 8));
    tick(clock);
    QCOMPARE(h.child<QLabel>(QStringLiteral("Label11_5"))->text(), QStringLiteral("2026-1-5 9:05:08"));
    QVERIFY(!calibrate->isEnabled());
    m_stub.release(QStringLiteral("/probe"));
    TRY_VERIFY(calibrate->isEnabled());
    QCOMPARE(h.fake.clock.sets.size(), 1);

    // While the system asks the user to authorise the set, the window keeps running: the clock label
    // ticks on its own, and the button comes back only with the answer.
    h.fake.clock.setError.clear();
    h.fake.clock.holdAnswers = true;
    h.fake.dialogs.shown.clear();
    calibrate->click();
    TRY_COMPARE(h.fake.clock.outstanding(), 1);
    h.fake.clock.current = QDateTime(QDate(2026, 1, 5), QTime(9, 5, 9));
    TRY_COMPARE(h.child<QLabel>(QStringLiteral("Label11_5"))->text(), QStringLiteral("2026-1-5 9:05:09"));
    QVERIFY(!calibrate->isEnabled());
    QVERIFY(h.fake.dialogs.shown.isEmpty());
    h.fake.clock.answerOutstanding();
    QVERIFY(calibrate->isEnabled());
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("时间校对成功!")}));
    QCOMPARE(h.fake.dialogs.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(h.fake.clock.sets.size(), 2);

    // A window closed before the answer comes does not hear it.
    calibrate->click();
    TRY_COMPARE(h.fake.clock.outstanding(), 1);
    h.window.reset();
    h.fake.clock.answerOutstanding();
    QCOMPARE(h.fake.clock.sets.size(), 3);
    QCOMPARE(h.fake.dialogs.shown.size(), 1);
}

void ModesTest::calibration_givesUpOnASilentTimeSource() {
    Harness h;
    h.openReady();
    auto *calibrate = h.child<QPushButton>(QStringLiteral("Command3"));
    m_stub.answer(QStringLiteral("/probe"), "<html>ok</html>");
    m_stub.neverAnswer(QStringLiteral("/time"));
    calibrate->click();
    TRY_COMPARE(m_stub.count(QStringLiteral("/time")), 1);
    // The window stays live meanwhile, and the button comes back after at most ten seconds: the
    // request's own limit, made to fire here rather than waited for.
    QVERIFY(!calibrate->isEnabled());
    QTimer *limit = nullptr;
    for (QTimer *timer : h.fake.web.findChildren<QTimer *>(QStringLiteral("requestLimit"))) {
        if (timer->isActive()) {
            limit = timer;
        }
    }
    QVERIFY(limit);
    QCOMPARE(limit->interval(), 10000);
    QVERIFY(QMetaObject::invokeMethod(limit, "timeout"));
    TRY_VERIFY(calibrate->isEnabled());
    QCOMPARE(h.fake.dialogs.shown.size(), 1);
    QCOMPARE(h.fake.dialogs.shown[0].title, QStringLiteral("提示"));
    QVERIFY(h.fake.dialogs.shown[0].text.startsWith(QStringLiteral("时间校对失败!")));
    QVERIFY(h.fake.clock.sets.isEmpty());
    m_stub.release(QStringLiteral("/time"));
}

QTEST_MAIN(ModesTest)
#include "tst_modes.moc"
