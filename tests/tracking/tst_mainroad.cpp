// The main road through the real window: start-up check, one query, result codes, change
// detection and the anomaly watch, against the in-process stub service.
#include "support/HttpStub.h"
#include "support/WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using harness::answerWith;
using harness::codeAnswer;
using harness::Harness;
using harness::runningAnswerLimit;
using harness::tickAnswerLimit;

namespace {

const QList<QPair<QString, QString>> &inTransit = harness::inTransit();

} // namespace

class MainRoadTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void startupCheck_publishedVersion();
    void startupCheck_noVersionOrNotAVersion();
    void startupCheck_newerVersionToldOnceAndTheWindowGoesOn();
    void startupCheck_emptyBookOpensAddPageAndWindowStaysLive();
    void query_fillsListStatusAndStoresNewProgress();
    void query_signedForAndOutForDelivery();
    void notificationActivated_picksItsParcelAsTheUserWould();
    void resultCodes_showTheirMessagesAndUnlock();
    void codeOne_keepOrDelete();
    void anomalyWatch_returnsToIdleAfterTenTicks();
    void lateAnswer_afterTheWindowIsGone();
    void lateAnswer_forAnotherParcelTouchesNothing();
    void abandonedQueries_freeTheirConnections();

private:
    HttpStub m_stub;
};

void MainRoadTest::initTestCase() {
    QVERIFY(m_stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", m_stub.baseUrl().toUtf8());
    qputenv("PARCELBOOK_SITE_URL", (m_stub.baseUrl() + QStringLiteral("/site")).toUtf8());
}

void MainRoadTest::init() {
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.0");
    m_stub.answer(QStringLiteral("/site/data/tg.txt"),
                  QStringLiteral("新版发布|http://127.0.0.1/new").toUtf8());
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit));
    m_stub.clearRequests();
}

void MainRoadTest::startupCheck_publishedVersion() {
    for (const QByteArray &version : {QByteArray("V5.0"), QByteArray("V5.0\r\n")}) {
        Harness h;
        for (int i = 0; i < 3; ++i) {
            h.folder.addParcel(QStringLiteral("圆通速递"), QString::number(31012345 + i),
                               QStringLiteral("物品%1").arg(i));
        }
        m_stub.answer(QStringLiteral("/site/version/gx.txt"), version);
        m_stub.clearRequests();
        h.open();
        // The window is handed over once the book is read, before the version is asked for.
        QCOMPARE(h.hint(), QStringLiteral("程序已加载完毕,当前共有3个快递单。"));
        QVERIFY(h.picker()->isEnabled());
        QVERIFY(h.list()->isEnabled());
        for (int element = 1; element <= 7; ++element) {
            QVERIFY(h.toolbarEnabled(element));
        }
        QCOMPARE(m_stub.count(QStringLiteral("/site/version/gx.txt")), 0);
        h.startupCheck();
        QVERIFY(!h.timer(QStringLiteral("Timer3"))->isActive());
        TRY_COMPARE(m_stub.count(QStringLiteral("/site/data/tg.txt")), 1);
        QCOMPARE(h.hint(), QStringLiteral("程序已加载完毕,当前共有3个快递单。"));
        QVERIFY(h.fake.dialogs.shown.isEmpty());
        const HttpStub::Request request = m_stub.requests(QStringLiteral("/site/version/gx.txt")).first();
        QCOMPARE(request.header("If-Modified-Since"), QByteArray("0"));
        QVERIFY(!h.pageShown(0));
    }
}

void MainRoadTest::startupCheck_noVersionOrNotAVersion() {
    struct Road {
        QByteArray body;
        int status;
    };
    for (const Road &road : {Road{QByteArray(), 200}, Road{"V5.0", 404}, Road{"<html>请登录网络</html>", 200},
                             Road{"V5.0", 500}}) {
        Harness h;
        h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("一件"));
        m_stub.answer(QStringLiteral("/site/version/gx.txt"), road.body, road.status);
        m_stub.clearRequests();
        h.open();
        h.startupCheck();
        // The failure is said on the hint line only: the window is in use by now.
        TRY_COMPARE(h.hint(), QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"));
        QVERIFY(h.fake.dialogs.shown.isEmpty());
        QVERIFY(h.picker()->isEnabled());
        QCOMPARE(h.fake.desktop.quits, 0);
        // The mails of the run link the announcement all the same.
        TRY_COMPARE(m_stub.count(QStringLiteral("/site/data/tg.txt")), 1);
    }
}

void MainRoadTest::startupCheck_newerVersionToldOnceAndTheWindowGoesOn() {
    Harness h;
    const QString site = m_stub.baseUrl() + QStringLiteral("/site");
    const QString told = QStringLiteral("发现最新版本![V5.1]\n \n确定后自动打开官方网站!");
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.1\n");
    // Each start reads what the one before remembered in the book.
    for (int start = 0; start < 2; ++start) {
        h.window.reset();
        h.open();
        h.startupCheck();
        TRY_COMPARE(h.hint(), QStringLiteral("发现最新版本![V5.1]"));
        QCOMPARE(h.fake.dialogs.texts(), QStringList({told}));
        QCOMPARE(h.fake.desktop.opened, QStringList({site}));
        QCOMPARE(h.fake.desktop.quits, 0);
        QVERIFY(h.picker()->isEnabled());
        QVERIFY(h.toolbarEnabled(3));
    }
    // The next published version is told again.
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.2");
    h.window.reset();
    h.open();
    h.startupCheck();
    TRY_COMPARE(h.fake.dialogs.shown.size(), 2);
    QVERIFY(h.fake.dialogs.texts().last().startsWith(QStringLiteral("发现最新版本![V5.2]")));
    QCOMPARE(h.fake.desktop.opened.size(), 2);
    QCOMPARE(h.fake.desktop.quits, 0);
}

void MainRoadTest::startupCheck_emptyBookOpensAddPageAndWindowStaysLive() {
    Harness h;
    m_stub.neverAnswer(QStringLiteral("/site/version/gx.txt"));
    h.open();
    h.startupCheck();
    // The window is usable while the version file does not come.
    TRY_COMPARE(m_stub.count(QStringLiteral("/site/version/gx.txt")), 1);
    bool ran = false;
    QTimer::singleShot(10, [&ran] { ran = true; });
    TRY_VERIFY(ran);
    QCOMPARE(h.hint(), QStringLiteral("程序已加载完毕,当前没有快递单。"));
    QVERIFY(h.child<QWidget>(QStringLiteral("kdmenu_0"))->isVisible());
    QVERIFY(h.picker()->isEnabled());
    QVERIFY(h.toolbarEnabled(3));
    // The user acts before the late answer: its failure does not hide what was said since.
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_13")), Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("请输入快递单号!"));
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), QByteArray(), 404);
    m_stub.release(QStringLiteral("/site/version/gx.txt"));
    TRY_COMPARE(m_stub.count(QStringLiteral("/site/data/tg.txt")), 1);
    QCOMPARE(h.hint(), QStringLiteral("请输入快递单号!"));
    QCOMPARE(m_stub.count(QStringLiteral("/site/version/gx.txt")), 1);
}

void MainRoadTest::query_fillsListStatusAndStoresNewProgress() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"),
                       QStringLiteral("妈妈鞋子"));
    // "time" elsewhere in the answer must not add rows.
    m_stub.answer(QStringLiteral("/"),
                  answerWith(inTransit, QStringLiteral(R"(,"updatetime":"now","time":1)")));
    m_stub.delay(QStringLiteral("/"), 150);
    h.open();
    h.startupCheck();
    TRY_VERIFY(h.picker()->isEnabled());
    h.child<QCheckBox>(QStringLiteral("Check3"))->setChecked(true);
    h.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0));

    h.pick(0);
    QVERIFY(!h.picker()->isEnabled());
    QVERIFY(!h.list()->isEnabled());
    QVERIFY(!h.toolbarEnabled(6));
    QVERIFY(h.busy());
    QCOMPARE(h.hint(), QStringLiteral("圆通速递:爸爸衣服查询中..."));
    for (int element : {7, 2, 3, 5}) {
        QCOMPARE(h.field(element), QStringLiteral("未查询"));
    }
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    const HttpStub::Request request = m_stub.requests(QStringLiteral("/")).last();
    QCOMPARE(request.header("If-Modified-Since"), QByteArray("0"));
    QVERIFY(request.target.contains(
        "&com=yuantong&nu=3101234567890&id=5B1E7C20A94D3F86E2C70B19D4A6F853&type=json&ord=desc"));

    QCOMPARE(h.list()->topLevelItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(h.list()->topLevelItem(row)->text(0), QString::number(row + 1));
        QCOMPARE(h.list()->topLevelItem(row)->text(1), inTransit[row].first);
        QCOMPARE(h.list()->topLevelItem(row)->text(2), inTransit[row].second);
    }
    QCOMPARE(h.list()->topLevelItem(0)->foreground(2).color(), QColor(Qt::red));
    QVERIFY(h.list()->topLevelItem(1)->foreground(2).color() != QColor(Qt::red));
    QCOMPARE(h.list()->currentItem(), h.list()->topLevelItem(2));
    QCOMPARE(h.field(2), QStringLiteral("运送中"));
    QCOMPARE(h.field(5), QStringLiteral("2天2小时15分"));
    QCOMPARE(h.field(7), QStringLiteral("圆通速递"));
    QCOMPARE(h.field(3), QStringLiteral("有更新"));
    QCOMPARE(h.child<QLabel>(QStringLiteral("Label12_3"))->palette().color(QPalette::WindowText),
             QColor(Qt::red));
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("3"));
    QCOMPARE(h.fake.sound.played, QStringList({h.folder.path() + QStringLiteral("/ts.mp3")}));
    const qint64 parcelId = h.parcels().first().id.value();
    QCOMPARE(h.fake.desktop.notifications,
             (QList<DesktopNotification>{{QStringLiteral("快递【爸爸衣服】有新进展"),
                                          inTransit[0].first + QLatin1Char(' ') + inTransit[0].second,
                                          parcelId}}));
    QVERIFY(h.picker()->isEnabled());
    QVERIFY(h.toolbarEnabled(1));
    QVERIFY(!h.busy());
    QVERIFY(!runningAnswerLimit(h.road()));

    // The same parcel again: the stored count is read anew, so nothing is new.
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.list()->topLevelItemCount(), 3);
    QCOMPARE(h.field(3), QStringLiteral("无更新"));
    QCOMPARE(h.fake.sound.played.size(), 1);
    QCOMPARE(h.fake.desktop.notifications.size(), 1);

    // With the sound switch off, new progress is stored and posted, but plays nothing.
    h.child<QCheckBox>(QStringLiteral("Check3"))->setChecked(false);
    auto grown = inTransit;
    grown.prepend({QStringLiteral("2026-12-08 08:30:00"),
                   QStringLiteral("【杭州市】快件已到达幸福里驿站,请凭取件码 8-2-1234 及时取件")});
    m_stub.answer(QStringLiteral("/"), answerWith(grown));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.field(3), QStringLiteral("有更新"));
    QCOMPARE(h.child<QLabel>(QStringLiteral("pickupCode"))->text(), QStringLiteral("取件码 8-2-1234"));
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("4"));
    QCOMPARE(h.fake.sound.played.size(), 1);
    QCOMPARE(h.fake.desktop.notifications.size(), 2);
    QCOMPARE(h.fake.desktop.notifications.last().summary,
             QStringLiteral("快递【爸爸衣服】已到取件点,取件码 8-2-1234"));
    QCOMPARE(h.fake.desktop.notifications.last().body, grown[0].first + QLatin1Char(' ') + grown[0].second);

    // The service is silent now: a pick shows what the book kept of the last answer at once, and the
    // query given up leaves it in view.
    h.fake.clock.current = QDateTime(QDate(2026, 12, 9), QTime(10, 20, 0));
    m_stub.neverAnswer(QStringLiteral("/"));
    QElapsedTimer sincePick;
    sincePick.start();
    h.pick(0);
    QCOMPARE(h.list()->topLevelItemCount(), 4);
    QVERIFY2(sincePick.elapsed() < 100, qPrintable(QString::number(sincePick.elapsed())));
    QCOMPARE(h.list()->topLevelItem(0)->text(2), grown[0].second);
    QCOMPARE(h.hint(), QStringLiteral("已显示 12月8日 09:00 查到的进度,正在查询最新进度..."));
    QCOMPARE(h.field(7), QStringLiteral("圆通速递"));
    QCOMPARE(h.field(2), QStringLiteral("运送中"));
    QCOMPARE(h.field(3), QStringLiteral("无更新"));
    tickAnswerLimit(h.road(), 10);
    QVERIFY(h.picker()->isEnabled());
    QCOMPARE(h.list()->topLevelItemCount(), 4);
    // A parcel the book knows nothing of shows nothing, not the one before it.
    h.pick(1);
    QCOMPARE(h.list()->topLevelItemCount(), 0);
    for (int element : {7, 2, 3, 5}) {
        QCOMPARE(h.field(element), QStringLiteral("未查询"));
    }
    m_stub.release(QStringLiteral("/"));
}

void MainRoadTest::query_signedForAndOutForDelivery() {
    Harness h;
    h.folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"), QStringLiteral("手机"));
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("UPDATE parcelbook SET num = '2'"));
    }
    h.open();
    h.startupCheck();
    TRY_VERIFY(h.picker()->isEnabled());
    h.child<QCheckBox>(QStringLiteral("Check3"))->setChecked(true);
    m_stub.answer(QStringLiteral("/"),
                  answerWith({{QStringLiteral("2026-12-08 09:30:00"), QStringLiteral("到达网点")},
                              {QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("已妥投")},
                              {QStringLiteral("2026-12-07 07:00:00"), QStringLiteral("派件")},
                              {QStringLiteral("2026-12-06 06:00:00"), QStringLiteral("揽收")}}));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.field(2), QStringLiteral("已签收"));
    // Signed for: the time up to the newest entry, not up to now.
    QCOMPARE(h.field(5), QStringLiteral("2天3小时30分"));
    QCOMPARE(h.field(3), QStringLiteral("已签收"));
    QCOMPARE(h.storedCount(QStringLiteral("手机")), QStringLiteral("2"));
    QVERIFY(h.fake.sound.played.isEmpty());

    m_stub.answer(QStringLiteral("/"),
                  answerWith({{QStringLiteral("2026-12-08 09:30:00"), QStringLiteral("快件正在派送中")},
                              {QStringLiteral("2026-12-07 10:00:00"), QStringLiteral("已揽收")}}));
    h.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(11, 1, 0));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.field(2), QStringLiteral("派件中"));
    QCOMPARE(h.field(5), QStringLiteral("1天1小时1分"));
    QCOMPARE(h.field(3), QStringLiteral("无更新"));
    QCOMPARE(h.child<QLabel>(QStringLiteral("estimatedDelivery"))->text(),
             QStringLiteral("预计 12月8日 送达"));

    // Ten days on and still not signed for: the hint advises asking the courier.
    h.fake.clock.current = QDateTime(QDate(2026, 12, 18), QTime(9, 31, 0));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("已10天没有新进展,建议联系快递公司"));
    QCOMPARE(h.field(2), QStringLiteral("派件中"));

    // Three of the courier's parcels took two days each: one accepted today is due the day after tomorrow.
    h.folder.addDeliveredParcels(QStringLiteral("顺丰快递"), QDate(2026, 12, 8));
    h.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(11, 0, 0));
    m_stub.answer(QStringLiteral("/"), answerWith({{QStringLiteral("2026-12-08 10:00:00"),
                                                    QStringLiteral("【深圳市】顺丰速运 已收取快件")}}));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.child<QLabel>(QStringLiteral("estimatedDelivery"))->text(),
             QStringLiteral("预计 12月10日 送达"));
}

void MainRoadTest::notificationActivated_picksItsParcelAsTheUserWould() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"),
                       QStringLiteral("妈妈鞋子"));
    h.openReady();
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.fake.desktop.notifications.size(), 1);
    const qint64 clothes = h.fake.desktop.notifications[0].parcelId;
    QCOMPARE(clothes, h.parcels().first().id.value());

    // A search lists only the shoes, and the window goes down behind another one.
    h.key(Qt::Key_F7);
    h.child<QLineEdit>(QStringLiteral("Text7"))->setText(QStringLiteral("妈妈"));
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_14")), Qt::LeftButton);
    QCOMPARE(h.entries(), QStringList{QStringLiteral("妈妈鞋子")});
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    h.window->showMinimized();
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    // Activating the clothes' notification lists the whole book again and picks them, which queries
    // them with their stored count read anew.
    const int asked = m_stub.count(QStringLiteral("/"));
    h.fake.desktop.activate(clothes);
    QVERIFY(!h.picker()->isEnabled());
    QCOMPARE(h.entries(), (QStringList{QStringLiteral("爸爸衣服"), QStringLiteral("妈妈鞋子")}));
    QCOMPARE(h.picker()->currentText(), QStringLiteral("爸爸衣服"));
    QVERIFY(!h.window->isMinimized());
    QTRY_VERIFY(h.window->isActiveWindow());
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(m_stub.count(QStringLiteral("/")), asked + 1);
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("nu=3101234567890"));
    QCOMPARE(h.field(3), QStringLiteral("无更新"));

    // While a query holds the window, an activation only brings the window up: the query goes on.
    m_stub.neverAnswer(QStringLiteral("/"));
    h.pick(1);
    QVERIFY(!h.picker()->isEnabled());
    h.fake.desktop.activate(clothes);
    QCOMPARE(h.picker()->currentText(), QStringLiteral("妈妈鞋子"));
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), asked + 2);
    m_stub.stopHolding(QStringLiteral("/"));
    m_stub.release(QStringLiteral("/"));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.picker()->currentText(), QStringLiteral("妈妈鞋子"));

    // The desktop outlives the window; a notification activated after the window has gone finds none.
    h.window.reset();
    h.fake.desktop.activate(clothes);
}

void MainRoadTest::resultCodes_showTheirMessagesAndUnlock() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.open();
    h.startupCheck();
    TRY_VERIFY(h.picker()->isEnabled());
    // Every code's message is the tracking text's to know; the window shows one that has a message
    // and one that has none.
    const struct {
        const char *code;
        const char16_t *message;
    } codes[] = {{"2", u"验证码错误,可能此快递公司失效,请联系管理员"},
                 {"22", u"非常抱歉!API今日查询次数已尽,请您明日再使用!"},
                 {"8", u"圆通速递:爸爸衣服查询中..."}};
    for (const auto &road : codes) {
        m_stub.answer(QStringLiteral("/"), codeAnswer(road.code));
        h.pick(0);
        QVERIFY(!h.picker()->isEnabled());
        TRY_VERIFY2(h.picker()->isEnabled(), road.code);
        QCOMPARE(h.hint(), QString::fromUtf16(road.message));
        QCOMPARE(h.list()->topLevelItemCount(), 0);
        QVERIFY(h.list()->isEnabled());
        QVERIFY(h.toolbarEnabled(1));
        QVERIFY(!h.busy());
        QVERIFY(!runningAnswerLimit(h.road()));
    }
    QVERIFY(h.fake.dialogs.shown.isEmpty());
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("0"));

    // An answer without any result code (an error page) does not count as success.
    m_stub.answer(QStringLiteral("/"), "<html>502 Bad Gateway</html>", 502);
    h.pick(0);
    TRY_VERIFY(h.picker()->isEnabled());
    QCOMPARE(h.hint(), QStringLiteral("查询服务返回了无法识别的数据,请稍后再试.."));
    QCOMPARE(h.list()->topLevelItemCount(), 0);
}

void MainRoadTest::codeOne_keepOrDelete() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1111111111111"),
                       QStringLiteral("不存在的"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"), QStringLiteral("第二件"));
    h.open();
    h.startupCheck();
    TRY_VERIFY(h.picker()->isEnabled());
    m_stub.answer(QStringLiteral("/"), codeAnswer("1"));
    const QString question = QStringLiteral("您好,您当前查询的快递单号已不存在,是否保留?\n\n"
                                            "如果此快递单号是您刚添加不久,建议几小时后再来查询");

    // Keep: nothing deleted, the window is given back with an empty list.
    h.fake.dialogs.answers = {true};
    bool watchStoppedBeforeQuestion = false;
    h.fake.dialogs.whileShown = [&](const ShownMessage &) {
        watchStoppedBeforeQuestion = !runningAnswerLimit(h.road());
    };
    h.pick(0);
    TRY_VERIFY(h.picker()->isEnabled());
    QVERIFY(watchStoppedBeforeQuestion);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({question}));
    QCOMPARE(h.picker()->count(), 2);
    QCOMPARE(h.list()->topLevelItemCount(), 0);

    // No, then No again: still nothing deleted.
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {false, false};
    h.pick(0);
    TRY_VERIFY(h.picker()->isEnabled());
    QCOMPARE(h.fake.dialogs.texts(),
             QStringList({question, QStringLiteral("二次防误操作：确认要删除此快递单号?")}));
    QCOMPARE(h.picker()->count(), 2);

    // No, then Yes with "默认查询" on: deleted, told, reloaded, and the first parcel is queried.
    h.child<QCheckBox>(QStringLiteral("Check7"))->setChecked(true);
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {false, true};
    m_stub.answerOnce(QStringLiteral("/"), codeAnswer("1"));
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit));
    m_stub.clearRequests();
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.fake.dialogs.texts().last(), QStringLiteral("快递信息已删除!"));
    QCOMPARE(h.picker()->count(), 1);
    QCOMPARE(h.picker()->itemText(0), QStringLiteral("第二件"));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 2);
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("nu=7700112233445"));
    QCOMPARE(h.list()->topLevelItemCount(), 3);
    QVERIFY(h.storedCount(QStringLiteral("不存在的")).isEmpty());
}

void MainRoadTest::anomalyWatch_returnsToIdleAfterTenTicks() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("5555555555555"), QStringLiteral("不回答"));
    h.open();
    h.startupCheck();
    TRY_VERIFY(h.picker()->isEnabled());
    const auto tick = [&h] {
        tickAnswerLimit(h.road());
    };
    const QString message =
        QStringLiteral("程序自动检测快递异常!\n \n可能存在以下问题：\n1.网络异常\n2.快递公司异常\n"
                       "4.当前快递单号已失效\n5.单号或对应快递公司错误\n \n请您稍后重试");

    m_stub.neverAnswer(QStringLiteral("/"));
    h.pick(0);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 1);
    QVERIFY(runningAnswerLimit(h.road()));
    for (int i = 0; i < 9; ++i) {
        tick();
    }
    QVERIFY(h.fake.dialogs.shown.isEmpty());
    QVERIFY(!h.picker()->isEnabled());
    tick();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({message}));
    QVERIFY(!runningAnswerLimit(h.road()));
    QVERIFY(h.picker()->isEnabled());
    QVERIFY(h.toolbarEnabled(4));
    QVERIFY(!h.busy());
    QCOMPARE(h.hint(), QStringLiteral("程序初始化完毕.."));

    // The watch gave the query up: an answer that comes after all is never shown.
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit));
    m_stub.release(QStringLiteral("/"));
    QTest::qWait(200);
    QCOMPARE(h.list()->topLevelItemCount(), 0);
    QCOMPARE(h.hint(), QStringLiteral("程序初始化完毕.."));
    QCOMPARE(h.storedCount(QStringLiteral("不回答")), QStringLiteral("0"));

    // Every query gets its own ten seconds: six ticks of a slow query do not count towards the next.
    h.fake.dialogs.shown.clear();
    m_stub.neverAnswer(QStringLiteral("/"));
    h.pick(0);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 2);
    for (int i = 0; i < 6; ++i) {
        tick();
    }
    m_stub.release(QStringLiteral("/"));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    m_stub.neverAnswer(QStringLiteral("/"));
    h.pick(0);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 3);
    for (int i = 0; i < 9; ++i) {
        tick();
    }
    QVERIFY(h.fake.dialogs.shown.isEmpty());
    tick();
    QCOMPARE(h.fake.dialogs.texts(), QStringList({message}));
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit));
    m_stub.release(QStringLiteral("/"));

    // An empty answer leaves the watch running; it fires at its tenth tick.
    h.fake.dialogs.shown.clear();
    m_stub.answer(QStringLiteral("/"), QByteArray());
    h.pick(0);
    // A new query drops the one still waiting, so its answer does not matter here.
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 4);
    QTest::qWait(100);
    QVERIFY(runningAnswerLimit(h.road()));
    QVERIFY(h.busy());
    for (int i = 0; i < 10; ++i) {
        tick();
    }
    QCOMPARE(h.fake.dialogs.texts(), QStringList({message}));
    QVERIFY(h.picker()->isEnabled());
}

void MainRoadTest::lateAnswer_afterTheWindowIsGone() {
    auto h = std::make_unique<Harness>();
    h->folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                        QStringLiteral("爸爸衣服"));
    h->open();
    h->startupCheck();
    TRY_VERIFY(h->picker()->isEnabled());
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit));
    m_stub.delay(QStringLiteral("/"), 200);
    m_stub.clearRequests();
    h->pick(0);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 1);
    h.reset();
    // The answer arrives with nobody left to take it; nothing may crash.
    QTest::qWait(400);
    m_stub.delay(QStringLiteral("/"), 0);
}

void MainRoadTest::lateAnswer_forAnotherParcelTouchesNothing() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("甲"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"), QStringLiteral("乙"));
    h.openReady();
    h.child<QCheckBox>(QStringLiteral("Check3"))->setChecked(true);

    // 甲's query gets no answer; the watch gives the window back.
    m_stub.neverAnswer(QStringLiteral("/"));
    h.pick(0);
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), 1);
    tickAnswerLimit(h.road(), 10);
    QVERIFY(h.picker()->isEnabled());

    // 乙 is picked and answered with its one entry.
    m_stub.stopHolding(QStringLiteral("/"));
    const QList<QPair<QString, QString>> oneEntry = {
        {QStringLiteral("2026-12-08 07:00:00"), QStringLiteral("【广州市】中通快递 已揽收")}};
    m_stub.answer(QStringLiteral("/"), answerWith(oneEntry));
    h.pick(1);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.storedCount(QStringLiteral("乙")), QStringLiteral("1"));
    QCOMPARE(h.fake.sound.played.size(), 1);

    // 甲's answer comes at last: it is not 乙's, so it changes nothing.
    auto five = inTransit;
    five.append({{QStringLiteral("2026-12-05 20:00:00"), QStringLiteral("【上海市】已发货")},
                 {QStringLiteral("2026-12-05 10:00:00"), QStringLiteral("【上海市】已下单")}});
    m_stub.answer(QStringLiteral("/"), answerWith(five));
    m_stub.release(QStringLiteral("/"));
    QTest::qWait(400);
    QCOMPARE(h.list()->topLevelItemCount(), 1);
    QCOMPARE(h.list()->topLevelItem(0)->text(2), oneEntry[0].second);
    QCOMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.field(7), QStringLiteral("中通快递"));
    QCOMPARE(h.storedCount(QStringLiteral("乙")), QStringLiteral("1"));
    QCOMPARE(h.storedCount(QStringLiteral("甲")), QStringLiteral("0"));
    QCOMPARE(h.fake.sound.played.size(), 1);
}

void MainRoadTest::abandonedQueries_freeTheirConnections() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.openReady();
    // Seven queries the service never answers, each given up by the watch. Left open, six of them
    // would take every connection to the service and no later query would ever leave.
    m_stub.neverAnswer(QStringLiteral("/"));
    for (int abandoned = 1; abandoned <= 7; ++abandoned) {
        h.pick(0);
        TRY_COMPARE(m_stub.count(QStringLiteral("/")), abandoned);
        QCOMPARE(m_stub.heldOpen(QStringLiteral("/")), 1);
        tickAnswerLimit(h.road(), 10);
        QVERIFY(h.picker()->isEnabled());
        // Given up, the query's connection is closed at once, not only when the next one starts.
        TRY_COMPARE(m_stub.heldOpen(QStringLiteral("/")), 0);
    }
    // The service is healthy again: the eighth query is sent and answered.
    m_stub.stopHolding(QStringLiteral("/"));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 8);
    QCOMPARE(h.list()->topLevelItemCount(), 3);
}

QTEST_MAIN(MainRoadTest)
#include "tst_mainroad.moc"
