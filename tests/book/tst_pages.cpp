// Pages, toolbar and keys through the real window: add, recognition, directory, modify, delete,
// copy, search and re-initialisation, against the in-process stub service.
#include "support/HttpStub.h"
#include "support/WindowHarness.h"
#include "widgets/Page.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

using harness::answerWith;
using harness::codeAnswer;
using harness::Harness;
using harness::runningAnswerLimit;

namespace {

const QString titleNoCompany = QStringLiteral("请选择快递公司");

QPoint centreOf(const QWidget *page) {
    const QSize client(770, 517);
    return QPoint(static_cast<int>(client.width() / 2.0f - page->width() / 2.0f),
                  static_cast<int>(client.height() / 2.0f - page->height() / 2.0f));
}

// A double click as a person makes it: the first click lands, then the second.
void doubleClick(QTreeWidget *list, QTreeWidgetItem *item) {
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class PagesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void toolbar_opensEveryPageCentred();
    void keys_actWhileTheIconsAreDisabled();
    void f4_pastesTheClipboard();
    void addFromText_addsTheTickedNumbersInTurn();
    void pages_dragAndCloseOnPress();
    void add_storesOnlyAfterTheServiceDecides();
    void add_refusesMissingInputAndStatusCaptions();
    void add_numberWithLettersIsQueriedAsItStands();
    void recognition_proposesTheCompany();
    void directory_listsSearchesChoosesAndCopies();
    void operations_modifyDeleteCopy();
    void search_findsByNumberOrGoods();
    void reinitialise_resetsProgressOrTheWindow();
    void refusedAdd_leavesTheCurrentParcelAlone();
    void sameGoods_eachParcelIsPickedModifiedAndDeleted();

private:
    void addParcel(Harness &h, const QString &number, const QString &company, const QString &goods) const;

    HttpStub m_stub;
};

void PagesTest::initTestCase() {
    QVERIFY(m_stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", m_stub.baseUrl().toUtf8());
    qputenv("PARCELBOOK_RECOGNITION_URL", (m_stub.baseUrl() + QStringLiteral("/rec")).toUtf8());
    qputenv("PARCELBOOK_SITE_URL", (m_stub.baseUrl() + QStringLiteral("/site")).toUtf8());
}

void PagesTest::init() {
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.0");
    m_stub.answer(QStringLiteral("/site/data/tg.txt"), "公告|http://127.0.0.1/");
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    m_stub.answer(QStringLiteral("/rec/autonumber/auto"), R"([{"comCode":"yuantong","noPre":"31"}])");
    m_stub.delay(QStringLiteral("/"), 0);
    m_stub.delay(QStringLiteral("/rec/autonumber/auto"), 0);
    m_stub.clearRequests();
    QGuiApplication::clipboard()->clear();
}

// Fills the add page the way a user does and presses "开始查询".
void PagesTest::addParcel(Harness &h, const QString &number, const QString &company,
                          const QString &goods) const {
    h.key(Qt::Key_F4);
    auto *numberBox = h.child<QComboBox>(QStringLiteral("Text3"));
    numberBox->setFocus();
    QTest::keyClicks(numberBox, number);
    h.child<QPushButton>(QStringLiteral("Command1_12"))->setText(company);
    // Typed through the input method in real life; the test types into the box directly.
    h.child<QLineEdit>(QStringLiteral("Text2"))->setText(goods);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_13")), Qt::LeftButton);
}

void PagesTest::toolbar_opensEveryPageCentred() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.openReady();
    // The window starts without its pages; they come when one is first opened.
    QVERIFY(h.window->findChildren<Page *>().isEmpty());

    // The operations page needs a parcel in the picker.
    QTest::mouseClick(h.icon(1), Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("请先选择快递.."));
    for (int element = 0; element < 5; ++element) {
        QVERIFY(!h.pageShown(element));
    }
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));

    const struct {
        int icon;
        int page;
    } opens[] = {{1, 2}, {3, 0}, {4, 3}, {6, 4}};
    for (const auto &open : opens) {
        QTest::mouseClick(h.icon(open.icon), Qt::LeftButton);
        QVERIFY2(h.page(open.page)->isVisible(), qPrintable(QString::number(open.icon)));
        QCOMPARE(h.page(open.page)->pos(), centreOf(h.page(open.page)));
        for (int other = 0; other < 5; ++other) {
            QCOMPARE(h.pageShown(other), other == open.page);
        }
    }
    QCOMPARE(h.child<QLineEdit>(QStringLiteral("Text4"))->text(), QStringLiteral("3101234567890"));
    QCOMPARE(h.child<QPushButton>(QStringLiteral("Command1_8"))->text(), QStringLiteral("圆通速递"));
    QCOMPARE(h.child<QLineEdit>(QStringLiteral("Text6"))->text(), QStringLiteral("爸爸衣服"));

    // "设置" opens the settings page centred; Esc hides every page.
    QTest::mousePress(h.child<QLabel>(QStringLiteral("Label16_1")), Qt::RightButton);
    QVERIFY(h.pageShown(1));
    QCOMPARE(h.page(1)->pos(), centreOf(h.page(1)));
    QVERIFY(!h.pageShown(4));
    h.key(Qt::Key_Escape);
    QVERIFY(!h.pageShown(1));
    h.key(Qt::Key_F9);
    QVERIFY(h.pageShown(1));

    // The search page opens by goods and fuzzy, with an empty box, however it was left.
    h.key(Qt::Key_F7);
    auto *searchBox = h.child<QLineEdit>(QStringLiteral("Text7"));
    searchBox->setText(QStringLiteral("旧的"));
    h.child<QRadioButton>(QStringLiteral("Option1_0"))->setChecked(true);
    h.child<QRadioButton>(QStringLiteral("Option2_0"))->setChecked(true);
    h.key(Qt::Key_F7);
    QVERIFY(searchBox->text().isEmpty());
    QVERIFY(h.child<QRadioButton>(QStringLiteral("Option1_1"))->isChecked());
    QVERIFY(h.child<QRadioButton>(QStringLiteral("Option2_1"))->isChecked());
}

void PagesTest::keys_actWhileTheIconsAreDisabled() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.openReady();
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    m_stub.neverAnswer(QStringLiteral("/"));
    h.pick(0);
    QVERIFY(!h.icon(3)->isEnabled());
    const struct {
        Qt::Key key;
        int page;
    } keys[] = {{Qt::Key_F5, 2}, {Qt::Key_F7, 3}, {Qt::Key_F12, 4}, {Qt::Key_F9, 1}};
    for (const auto &press : keys) {
        h.key(press.key);
        QVERIFY2(h.page(press.page)->isVisible(), qPrintable(QString::number(press.key)));
    }
    // F11 asks, and on Yes returns the window to idle and gives up the query that still waits.
    h.fake.dialogs.answers = {false};
    h.key(Qt::Key_F11);
    QCOMPARE(h.fake.dialogs.texts().last(), QStringLiteral("确定要执行初始化吗?"));
    QVERIFY(!h.picker()->isEnabled());
    h.fake.dialogs.answers = {true};
    h.key(Qt::Key_F11);
    QVERIFY(h.picker()->isEnabled());
    QVERIFY(h.icon(3)->isEnabled());
    QCOMPARE(h.hint(), QStringLiteral("程序初始化完毕.."));
    for (int element = 0; element < 5; ++element) {
        QVERIFY(!h.pageShown(element));
    }
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    m_stub.release(QStringLiteral("/"));
    QTest::qWait(200);
    QCOMPARE(h.hint(), QStringLiteral("程序初始化完毕.."));
    // What the book kept stays in view; the late answer adds nothing to it.
    QCOMPARE(h.list()->topLevelItemCount(), 3);
}

void PagesTest::f4_pastesTheClipboard() {
    Harness h;
    h.openReady();
    QGuiApplication::clipboard()->setText(QStringLiteral("3101234567890"));
    h.key(Qt::Key_F4);
    QVERIFY(h.pageShown(0));
    QCOMPARE(h.child<QComboBox>(QStringLiteral("Text3"))->currentText(), QStringLiteral("3101234567890"));
    QCOMPARE(h.child<QPushButton>(QStringLiteral("Command1_12"))->text(), titleNoCompany);

    // A message gives the number in it; text without one, or an empty clipboard, an empty box.
    QGuiApplication::clipboard()->setText(
        QStringLiteral("【顺丰】您的快件sf1402345678901已到达，取件码 6021"));
    h.key(Qt::Key_F4);
    QCOMPARE(h.child<QComboBox>(QStringLiteral("Text3"))->currentText(), QStringLiteral("SF1402345678901"));
    QGuiApplication::clipboard()->setText(QStringLiteral("取件码 6021"));
    h.key(Qt::Key_F4);
    QVERIFY(h.child<QComboBox>(QStringLiteral("Text3"))->currentText().isEmpty());
    QGuiApplication::clipboard()->clear();
    h.key(Qt::Key_F4);
    QVERIFY(h.pageShown(0));
    QVERIFY(h.child<QComboBox>(QStringLiteral("Text3"))->currentText().isEmpty());
}

void PagesTest::addFromText_addsTheTickedNumbersInTurn() {
    Harness h;
    h.openReady();
    // The add page's button opens the dialog empty.
    h.key(Qt::Key_F4);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("AddFromText")), Qt::LeftButton);
    QVERIFY(!h.pageShown(0));
    QPointer<QDialog> empty = h.child<QDialog>(QStringLiteral("addFromText"));
    QVERIFY(empty->isVisible());
    empty->reject();
    TRY_VERIFY(!empty);
    // The offscreen platform has no window manager to give the focus back.
    h.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));

    const QString rec = QStringLiteral("/rec/autonumber/auto");
    QString progressAtSecondAdd;
    const QMetaObject::Connection byNumber =
        connect(&m_stub, &HttpStub::requestArrived, this, [&, this](const HttpStub::Request &request) {
            if (request.path == rec && request.query.startsWith("num=SF")) {
                m_stub.answerOnce(rec, R"([{"comCode":"shunfeng"}])");
            } else if (request.path == rec) {
                m_stub.answerOnce(rec, R"([{"comCode":"zhongtong"}])");
            } else if (request.query.contains("nu=13812345678")) {
                m_stub.answerOnce(QStringLiteral("/"), codeAnswer("2"));
            } else if (m_stub.count(QStringLiteral("/")) == 3) {
                progressAtSecondAdd = h.child<QLabel>(QStringLiteral("addFromTextStatus"))->text();
            }
        });
    // F4 with an order mail: its numbers are listed, the mobile number unticked.
    QGuiApplication::clipboard()->setText(
        QStringLiteral("您的订单已分两个包裹发出：\n包裹1 sf1402345678901\n包裹2 75312345678901\n"
                       "收货人手机 13812345678\n付款时间：2026-12-08 09:30:15\n实付 ¥128.00"));
    h.key(Qt::Key_F4);
    QVERIFY(!h.pageShown(0));
    auto *found = h.child<QTableWidget>(QStringLiteral("foundNumbers"));
    QCOMPARE(found->rowCount(), 3);
    const auto company = [found](int row) {
        return static_cast<QComboBox *>(found->cellWidget(row, 1));
    };
    TRY_COMPARE(company(0)->currentText(), QStringLiteral("顺丰快递"));
    TRY_COMPARE(company(1)->currentText(), QStringLiteral("中通快递"));
    QCOMPARE(found->item(2, 0)->text(), QStringLiteral("13812345678"));
    QCOMPARE(found->item(2, 0)->checkState(), Qt::Unchecked);
    QVERIFY(!found->item(2, 3)->text().isEmpty());
    static_cast<QLineEdit *>(found->cellWidget(0, 2))->setText(QStringLiteral("书"));
    // Ticked all the same, the service refuses it: said on its row, not kept, nothing stored.
    found->item(2, 0)->setCheckState(Qt::Checked);
    h.fake.dialogs.answers = {false};

    // Each is stored and queried before the next is asked about.
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("addTicked")), Qt::LeftButton);
    TRY_COMPARE(h.child<QLabel>(QStringLiteral("addFromTextStatus"))->text(),
                QStringLiteral("添加完毕:2 个已添加,1 个没有添加,原因见各行说明"));
    disconnect(byNumber);
    QCOMPARE(progressAtSecondAdd, QStringLiteral("正在添加 2/3 ..."));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 5);
    QCOMPARE(found->item(2, 3)->text(), QStringLiteral("未添加:验证码错误,可能此快递公司失效,请联系管理员"));
    const QList<ParcelRow> rows = h.parcels();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(
        QStringList({rows[0].number, rows[0].company, rows[0].goods}),
        QStringList({QStringLiteral("SF1402345678901"), QStringLiteral("顺丰快递"), QStringLiteral("书")}));
    QCOMPARE(QStringList({rows[1].number, rows[1].company, rows[1].goods}),
             QStringList({QStringLiteral("75312345678901"), QStringLiteral("中通快递"), QString()}));
    QCOMPARE(found->item(1, 3)->text(), QStringLiteral("已添加"));
    // The first one's query ended with its progress stored before the second was added.
    QCOMPARE(h.storedCount(QStringLiteral("书")), QString::number(harness::inTransit().size()));
}

void PagesTest::pages_dragAndCloseOnPress() {
    Harness h;
    h.openReady();
    QWidget *search = h.page(3);
    h.key(Qt::Key_F7);
    const QPoint start = search->pos();
    // Neither switch: a press does nothing.
    QTest::mousePress(search, Qt::LeftButton, {}, QPoint(150, 270));
    QTest::mouseRelease(search, Qt::LeftButton, {}, QPoint(150, 270));
    QVERIFY(search->isVisible());
    QCOMPARE(search->pos(), start);

    h.child<QCheckBox>(QStringLiteral("Check4"))->setChecked(true);
    QTest::mousePress(search, Qt::LeftButton, {}, QPoint(150, 270));
    QMouseEvent move(QEvent::MouseMove, QPointF(110, 250), search->mapToGlobal(QPointF(110, 250)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(search, &move);
    QTest::mouseRelease(search, Qt::LeftButton, {}, QPoint(110, 250));
    QCOMPARE(search->pos(), start + QPoint(-40, -20));
    QVERIFY(search->isVisible());

    h.child<QCheckBox>(QStringLiteral("Check5"))->setChecked(true);
    QTest::mousePress(search, Qt::LeftButton, {}, QPoint(150, 270));
    QVERIFY(search->isVisible());
    QTest::mouseRelease(search, Qt::LeftButton, {}, QPoint(150, 270));
    QVERIFY(!search->isVisible());

    h.child<QCheckBox>(QStringLiteral("Check4"))->setChecked(false);
    h.key(Qt::Key_F7);
    QTest::mousePress(search, Qt::LeftButton, {}, QPoint(150, 270));
    QVERIFY(!search->isVisible());
}

void PagesTest::add_storesOnlyAfterTheServiceDecides() {
    Harness h;
    h.openReady();
    QVERIFY(h.pageShown(0));

    // Code 0, new: stored with num "0" after the answer, picked and queried. The mail of the add's
    // news says so until it has gone, over the hints of the query that follows.
    h.mailTo(QStringLiteral("me@mail.cn"));
    h.fake.recordingMailer.delayMs = 1500;
    m_stub.delay(QStringLiteral("/"), 150);
    addParcel(h, QStringLiteral("3101234567890"), QStringLiteral("圆通速递"), QStringLiteral("爸爸衣服"));
    QVERIFY(!h.pageShown(0));
    QVERIFY(!h.icon(1)->isEnabled());
    QVERIFY(h.parcels().isEmpty());
    QCOMPARE(h.hint(), QStringLiteral("圆通速递:爸爸衣服查询中..."));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕... 正发送最新动态邮件,请稍等.."));
    TRY_COMPARE(h.hint(), QStringLiteral("快递有最新进展，已发送至邮箱!"));
    m_stub.delay(QStringLiteral("/"), 0);
    QCOMPARE(h.parcels().size(), 1);
    QCOMPARE(h.parcels()[0].company, QStringLiteral("圆通速递"));
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服")}));
    QCOMPARE(h.picker()->currentIndex(), 0);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 2);
    QVERIFY(m_stub.requests(QStringLiteral("/")).first().target.contains("com=yuantong&nu=3101234567890"));
    QCOMPARE(h.list()->topLevelItemCount(), 3);
    QCOMPARE(h.field(3), QStringLiteral("有更新"));
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("3"));

    // Code 0, already in the book: not stored twice; the picker lists the numbers containing it.
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("x3101234567890y"),
                       QStringLiteral("另一件"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("999"), QStringLiteral("无关"));
    addParcel(h, QStringLiteral("3101234567890"), QStringLiteral("中通快递"), QStringLiteral("重复"));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("快递数据已存在!")}));
    QCOMPARE(h.parcels().size(), 3);
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服"), QStringLiteral("另一件")}));

    // Code 1, No: nothing stored, the window is given back.
    h.fake.dialogs.shown.clear();
    m_stub.answer(QStringLiteral("/"), codeAnswer("1"));
    h.fake.dialogs.answers = {false};
    addParcel(h, QStringLiteral("1111111111111"), QStringLiteral("韵达快递"), QStringLiteral("未知"));
    TRY_COMPARE(h.fake.dialogs.shown.size(), 1);
    QVERIFY(h.picker()->isEnabled());
    QCOMPARE(h.fake.dialogs.texts(),
             QStringList({QStringLiteral("您好,您当前输入的单号不存在有效信息,是否先进行保存?")}));
    QCOMPARE(h.parcels().size(), 3);
    QVERIFY(!h.pageShown(0));
    QVERIFY(!h.busy());

    // Code 1, Yes: stored and reported, not made current.
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {true};
    addParcel(h, QStringLiteral("1111111111111"), QStringLiteral("韵达快递"), QStringLiteral("未知"));
    TRY_COMPARE(h.fake.dialogs.shown.size(), 2);
    QVERIFY(h.picker()->isEnabled());
    QCOMPARE(h.fake.dialogs.texts().last(), QStringLiteral("快递添加成功！"));
    QCOMPARE(h.parcels().size(), 4);
    QCOMPARE(h.parcels().last().num, QStringLiteral("0"));
    QCOMPARE(h.picker()->count(), 4);
    QCOMPARE(h.picker()->currentIndex(), -1);
    QVERIFY(!runningAnswerLimit(h.road()));
    // The picker shows no parcel, and neither does the status panel.
    for (int element : {7, 2, 3, 5}) {
        QCOMPARE(h.field(element), QStringLiteral("未查询"));
    }

    // Service failure codes leave their message (every code's message is the tracking text's to know)
    // while the user is asked whether to keep the parcel; declined, nothing is stored.
    const struct {
        const char *code;
        const char16_t *message;
    } failures[] = {{"2", u"验证码错误,可能此快递公司失效,请联系管理员"},
                    {"22", u"非常抱歉!API今日查询次数已尽,请您明日再使用!"}};
    QString hintWhileAsked;
    h.fake.dialogs.whileShown = [&h, &hintWhileAsked](const ShownMessage &) {
        hintWhileAsked = h.hint();
    };
    for (const auto &failure : failures) {
        m_stub.answer(QStringLiteral("/"), codeAnswer(failure.code));
        h.fake.dialogs.answers = {false};
        addParcel(h, QStringLiteral("4300000000001"), QStringLiteral("韵达快递"), QStringLiteral("失败"));
        TRY_COMPARE(h.hint(), QStringLiteral("已取消添加,新快递【失败】未保存"));
        QCOMPARE(hintWhileAsked, QString::fromUtf16(failure.message));
        TRY_VERIFY(h.picker()->isEnabled());
        QCOMPARE(h.parcels().size(), 4);
    }
    h.fake.dialogs.whileShown = nullptr;

    // An empty answer stores nothing; the watch stays on to return the window to idle.
    m_stub.answer(QStringLiteral("/"), QByteArray());
    addParcel(h, QStringLiteral("4300000000001"), QStringLiteral("韵达快递"), QStringLiteral("空"));
    TRY_VERIFY(m_stub.count(QStringLiteral("/")) > 0);
    QTest::qWait(100);
    QVERIFY(runningAnswerLimit(h.road()));
    QVERIFY(h.busy());
    QCOMPARE(h.parcels().size(), 4);
}

void PagesTest::add_refusesMissingInputAndStatusCaptions() {
    Harness h;
    h.openReady();
    auto *numberBox = h.child<QComboBox>(QStringLiteral("Text3"));
    auto *company = h.child<QPushButton>(QStringLiteral("Command1_12"));
    auto *goods = h.child<QLineEdit>(QStringLiteral("Text2"));
    auto *start = h.child<QPushButton>(QStringLiteral("Command1_13"));

    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("请输入快递单号!"));
    numberBox->setEditText(QStringLiteral("4300000000001"));
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("请选择快递公司!"));
    for (const QString &status :
         {QStringLiteral("正在检测快递"), QStringLiteral("检测出错,请手动选择或多次刷新"),
          QStringLiteral("未找到对应快递,请手动选择"), QStringLiteral("检测出错,请查询您的单号是否正确")}) {
        company->setText(status);
        goods->setText(QStringLiteral("书"));
        h.child<QLabel>(QStringLiteral("Label11_2"))->clear();
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(h.hint(), QStringLiteral("请选择快递公司!"));
        QVERIFY(h.pageShown(0));
    }
    company->setText(QStringLiteral("韵达快递"));
    goods->clear();
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("请输入快递物品信息,例如：爸爸衣服"));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);
    QVERIFY(h.parcels().isEmpty());
}

void PagesTest::add_numberWithLettersIsQueriedAsItStands() {
    Harness h;
    h.openReady();
    addParcel(h, QStringLiteral("sf-1402 345678901"), QStringLiteral("顺丰快递"), QStringLiteral("书"));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.parcels().size(), 1);
    QCOMPARE(h.parcels()[0].number, QStringLiteral("SF1402345678901"));
    const QList<HttpStub::Request> queries = m_stub.requests(QStringLiteral("/"));
    QCOMPARE(queries.size(), 2);
    for (const HttpStub::Request &query : queries) {
        QVERIFY2(query.query.contains("&com=shunfeng&nu=SF1402345678901&"), query.target.constData());
    }
}

void PagesTest::recognition_proposesTheCompany() {
    Harness h;
    h.openReady();
    auto *numberBox = h.child<QComboBox>(QStringLiteral("Text3"));
    auto *company = h.child<QPushButton>(QStringLiteral("Command1_12"));
    const QString path = QStringLiteral("/rec/autonumber/auto");

    // Switch off: typing asks nothing, "刷新" asks at ten characters.
    numberBox->setFocus();
    QTest::keyClicks(numberBox, QStringLiteral("3101234567"));
    QTest::qWait(50);
    QCOMPARE(m_stub.count(path), 0);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command2")), Qt::LeftButton);
    TRY_COMPARE(company->text(), QStringLiteral("圆通速递"));
    QCOMPARE(m_stub.requests(path).first().query, QByteArray("num=3101234567"));

    // Switch on: nine characters ask nothing, the tenth and every further one ask.
    h.child<QCheckBox>(QStringLiteral("Check8"))->setChecked(true);
    m_stub.clearRequests();
    numberBox->setEditText(QString());
    QTest::keyClicks(numberBox, QStringLiteral("310123456"));
    QTest::qWait(50);
    QCOMPARE(m_stub.count(path), 0);
    QTest::keyClicks(numberBox, QStringLiteral("78"));
    TRY_COMPARE(m_stub.count(path), 2);

    // A letter belongs to the number: upper-cased, and asked about like a digit.
    QTest::keyClicks(numberBox, QStringLiteral("a"));
    QCOMPARE(numberBox->currentText(), QStringLiteral("31012345678A"));
    TRY_COMPARE(m_stub.count(path), 3);
    QCOMPARE(m_stub.requests(path).last().query, QByteArray("num=31012345678A"));

    const struct {
        QByteArray answer;
        const char16_t *caption;
    } roads[] = {
        {R"({"status":"503","message":"busy"})", u"检测出错,请手动选择或多次刷新"},
        {R"([{"comCode":"zhongtong","noPre":"5031"}])", u"检测出错,请手动选择或多次刷新"},
        {R"([{"comCode":"","noPre":"31"}])", u"未找到对应快递,请手动选择"},
        {R"([{"comCode":"nosuchcompany"}])", u"未找到对应快递,请手动选择"},
        {R"([{"comCode":"shunfeng"},{"comCode":"yuantong"}])", u"顺丰快递"},
        {R"({"message":"no code here"})", u"检测出错,请查询您的单号是否正确"},
    };
    int serial = 0;
    for (const auto &road : roads) {
        m_stub.answer(path, road.answer);
        numberBox->setEditText(QStringLiteral("770011223344") + QString::number(serial++));
        TRY_COMPARE(company->text(), QString::fromUtf16(road.caption));
    }
    // An empty answer leaves the status text.
    m_stub.answer(path, QByteArray());
    numberBox->setEditText(QStringLiteral("7700112233446"));
    QCOMPARE(company->text(), QStringLiteral("正在检测快递"));
    QTest::qWait(100);
    QCOMPARE(company->text(), QStringLiteral("正在检测快递"));

    // The newest request wins: a slow older answer that arrives later is ignored.
    const int before = m_stub.count(path);
    m_stub.answer(path, R"([{"comCode":"shunfeng"}])");
    m_stub.delay(path, 400);
    numberBox->setEditText(QStringLiteral("9876543210123"));
    TRY_COMPARE(m_stub.count(path), before + 1);
    m_stub.delay(path, 0);
    numberBox->setEditText(QStringLiteral("9876543210124"));
    TRY_COMPARE(company->text(), QStringLiteral("顺丰快递"));
    m_stub.answer(path, R"([{"comCode":"yunda"}])");
    QTest::qWait(600);
    QCOMPARE(company->text(), QStringLiteral("顺丰快递"));
}

void PagesTest::directory_listsSearchesChoosesAndCopies() {
    Harness h;
    h.openReady();
    auto *list = h.child<QTreeWidget>(QStringLiteral("ListView2"));
    auto *search = h.child<QLineEdit>(QStringLiteral("Text8"));
    h.key(Qt::Key_F12);
    QVERIFY(h.pageShown(4));
    const int all = list->topLevelItemCount();
    QVERIFY(all >= 30);

    search->setText(QStringLiteral("顺丰"));
    QVERIFY(list->topLevelItemCount() >= 1);
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QVERIFY(list->topLevelItem(row)->text(1).contains(QStringLiteral("顺丰")));
    }
    search->setText(QStringLiteral("'"));
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(h.fake.dialogs.shown.isEmpty());
    search->setText(QStringLiteral("   "));
    QCOMPARE(list->topLevelItemCount(), all);
    search->clear();
    QCOMPARE(list->topLevelItemCount(), all);

    for (int element = 0; element <= 10; ++element) {
        auto *pick = h.child<QLabel>(QStringLiteral("Label20_%1").arg(element));
        QTest::mouseClick(pick, Qt::LeftButton);
        QVERIFY2(list->topLevelItemCount() >= 1, qPrintable(pick->text()));
        QVERIFY(list->topLevelItem(0)->text(1).contains(pick->text()));
    }
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command4")), Qt::LeftButton);
    QCOMPARE(list->topLevelItemCount(), all);

    // A right press copies the telephone exactly as stored.
    QTreeWidgetItem *first = list->topLevelItem(0);
    const QRect firstRect = list->visualItemRect(first);
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, firstRect.center());
    QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, firstRect.center());
    QCOMPARE(QGuiApplication::clipboard()->text(), first->text(2));
    QCOMPARE(h.hint(), first->text(1) + QStringLiteral("公司电话已复制.."));

    // Neither the add page nor the operations page open: no caption changes, the page stays.
    doubleClick(list, first);
    QVERIFY(h.pageShown(4));
    QCOMPARE(h.child<QPushButton>(QStringLiteral("Command1_12"))->text(), titleNoCompany);

    // From the add page's company picker: the chosen name becomes its caption.
    h.key(Qt::Key_F4);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_12")), Qt::LeftButton);
    QVERIFY(h.pageShown(0));
    QVERIFY(h.pageShown(4));
    QTest::mouseClick(h.child<QLabel>(QStringLiteral("Label20_3")), Qt::LeftButton);
    QTreeWidgetItem *yuantong = list->topLevelItem(0);
    doubleClick(list, yuantong);
    QVERIFY(!h.pageShown(4));
    QVERIFY(h.pageShown(0));
    QCOMPARE(h.child<QPushButton>(QStringLiteral("Command1_12"))->text(), yuantong->text(1));
}

void PagesTest::operations_modifyDeleteCopy() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"),
                       QStringLiteral("妈妈鞋子"));
    h.folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"), QStringLiteral("手机"));
    h.openReady();
    h.pick(1);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("UPDATE parcelbook SET num = '2' WHERE goods = '妈妈鞋子'"));
    }

    // Copy takes the current parcel, not the boxes.
    h.key(Qt::Key_F5);
    h.child<QLineEdit>(QStringLiteral("Text6"))->setText(QStringLiteral("不是这个"));
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_10")), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("快递物品：妈妈鞋子\r\n快递公司：中通快递\r\n快递单号：7700112233445"));
    QCOMPARE(h.hint(), QStringLiteral("当前快递信息已复制.."));
    QVERIFY(h.pageShown(2));

    // Modify: refused without a directory company; confirmed, it rewrites the row and the entry.
    auto *number = h.child<QLineEdit>(QStringLiteral("Text4"));
    auto *company = h.child<QPushButton>(QStringLiteral("Command1_8"));
    auto *goods = h.child<QLineEdit>(QStringLiteral("Text6"));
    company->setText(QStringLiteral("正在检测快递"));
    h.fake.dialogs.shown.clear();
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_9")), Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("请选择快递公司!")}));
    company->setText(QStringLiteral("韵达快递"));
    goods->setText(QStringLiteral("妈妈's 新鞋"));
    number->setText(QStringLiteral("4300000000001"));
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {true};
    m_stub.clearRequests();
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_9")), Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("确定要修改[妈妈鞋子]此单号码?"),
                                                  QStringLiteral("快递信息修改成功!")}));
    // The change overwrites the row, so Enter would have answered No.
    QCOMPARE(h.fake.dialogs.shown[0].byDefault, DefaultAnswer::No);
    QVERIFY(!h.pageShown(2));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服"), QStringLiteral("妈妈's 新鞋"),
                                       QStringLiteral("手机")}));
    const ParcelRow changed = h.parcels()[1];
    QCOMPARE(changed.goods, QStringLiteral("妈妈's 新鞋"));
    QCOMPARE(changed.company, QStringLiteral("韵达快递"));
    QCOMPARE(changed.number, QStringLiteral("4300000000001"));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 1);
    QVERIFY(m_stub.requests(QStringLiteral("/")).first().target.contains("com=yunda&nu=4300000000001"));
    // The stored count was kept, so three entries against "2" are new.
    QCOMPARE(h.field(3), QStringLiteral("有更新"));

    // A failing store is reported as a failure, and the picker keeps what the database holds.
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("ALTER TABLE parcelbook RENAME TO parcelbook_away"));
    }
    h.key(Qt::Key_F5);
    goods->setText(QStringLiteral("改不了"));
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_9")), Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.shown.size(), 2);
    QVERIFY(h.fake.dialogs.shown[1].text.startsWith(QStringLiteral("快递信息修改失败!错误原因")));
    QCOMPARE(h.entries()[1], QStringLiteral("妈妈's 新鞋"));
    h.key(Qt::Key_F5);
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_11")), Qt::LeftButton);
    QVERIFY(h.fake.dialogs.shown[1].text.startsWith(QStringLiteral("快递信息删除失败!错误原因")));
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("ALTER TABLE parcelbook_away RENAME TO parcelbook"));
    }

    // Delete: No keeps everything; Yes deletes, reloads, and with "默认查询" off picks nothing.
    h.key(Qt::Key_F5);
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {false};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_11")), Qt::LeftButton);
    QCOMPARE(h.parcels().size(), 3);
    QVERIFY(h.pageShown(2));
    h.fake.dialogs.answers = {true};
    m_stub.clearRequests();
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_11")), Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts().last(), QStringLiteral("快递信息已删除!"));
    QCOMPARE(h.parcels().size(), 2);
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服"), QStringLiteral("手机")}));
    QCOMPARE(h.picker()->currentIndex(), -1);
    QVERIFY(!h.pageShown(2));
    QCOMPARE(h.field(2), QStringLiteral("未查询"));
    QTest::qWait(50);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);

    // The copy needs a parcel shown in the picker; F8 leaves none shown, nor its state.
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    h.key(Qt::Key_F8);
    QCOMPARE(h.list()->topLevelItemCount(), 0);
    for (int element : {7, 2, 3, 5}) {
        QCOMPARE(h.field(element), QStringLiteral("未查询"));
    }
    h.key(Qt::Key_F5);
    h.picker()->setCurrentIndex(-1);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_10")), Qt::LeftButton);
    QCOMPARE(h.hint(), QStringLiteral("请先选择快递.."));

    // With "默认查询" on, a delete queries the first parcel left.
    h.child<QCheckBox>(QStringLiteral("Check7"))->setChecked(true);
    h.pick(1);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    h.key(Qt::Key_F5);
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_11")), Qt::LeftButton);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服")}));
    QCOMPARE(h.picker()->currentIndex(), 0);

    // The last parcel deleted: the picker lists nothing, and nothing queries or announces it again.
    h.fake.sound.played.clear();
    h.key(Qt::Key_F5);
    h.fake.dialogs.answers = {true};
    m_stub.clearRequests();
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_11")), Qt::LeftButton);
    QCOMPARE(h.entries(), QStringList());
    QVERIFY(h.parcels().isEmpty());
    h.key(Qt::Key_F8);
    QTest::qWait(50);
    QCOMPARE(h.entries(), QStringList());
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);
    QVERIFY(h.fake.sound.played.isEmpty());

    // The number box keeps a tracking number: a pasted message gives the number in it.
    h.key(Qt::Key_F5);
    number->clear();
    number->insert(QStringLiteral("您的快件 jdx012345678901 已发出"));
    QCOMPARE(number->text(), QStringLiteral("JDX012345678901"));
}

void PagesTest::search_findsByNumberOrGoods() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("3101299999999"),
                       QStringLiteral("妈妈's 鞋"));
    h.folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"),
                       QStringLiteral("爸爸衣服"));
    h.openReady();
    h.key(Qt::Key_F7);
    auto *box = h.child<QLineEdit>(QStringLiteral("Text7"));
    auto *start = h.child<QPushButton>(QStringLiteral("Command1_14"));
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("请输入快递物品..")}));

    // Fuzzy by number: every number containing the part, counted.
    h.fake.dialogs.shown.clear();
    h.child<QRadioButton>(QStringLiteral("Option1_0"))->setChecked(true);
    QTest::keyClicks(box, QStringLiteral("31012"));
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("已为您找到2个相关快递")}));
    QVERIFY(!h.pageShown(3));
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服"), QStringLiteral("妈妈's 鞋")}));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("nu=3101234567890"));

    // By number, goods text reads as no number; letters are upper-cased, a dash dropped and a word
    // refused where the caret stands; switching to goods does not bring the old text back.
    h.key(Qt::Key_F7);
    box->setText(QStringLiteral("鞋"));
    h.child<QRadioButton>(QStringLiteral("Option1_0"))->setChecked(true);
    QVERIFY(box->text().isEmpty());
    QTest::keyClicks(box, QStringLiteral("31x2"));
    box->setCursorPosition(2);
    // What the input method commits goes in as typed text does.
    box->insert(QStringLiteral("鞋"));
    QTest::keyClick(box, Qt::Key_Minus);
    QCOMPARE(box->text(), QStringLiteral("31X2"));
    QCOMPARE(box->cursorPosition(), 2);
    h.child<QRadioButton>(QStringLiteral("Option1_1"))->setChecked(true);
    QCOMPARE(box->text(), QStringLiteral("31X2"));
    box->clear();

    // Fuzzy by goods with a quote; exact by goods with a trailing blank finds nothing.
    h.fake.dialogs.shown.clear();
    QTest::keyClicks(box, QStringLiteral("'s"));
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("已为您找到1个相关快递")}));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));

    h.key(Qt::Key_F7);
    h.child<QRadioButton>(QStringLiteral("Option2_0"))->setChecked(true);
    h.fake.dialogs.shown.clear();
    box->setText(QStringLiteral("爸爸衣服 "));
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("没有找到相关快递")}));
    QCOMPARE(h.hint(), QStringLiteral("没有找到相关快递.."));
    QVERIFY(h.pageShown(3));
    QCOMPARE(h.picker()->count(), 0);

    // Exact by goods: two parcels share the text; each entry picks its own row.
    h.fake.dialogs.shown.clear();
    box->setText(QStringLiteral("爸爸衣服"));
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("已为您找到相关快递")}));
    QCOMPARE(h.entries(), QStringList({QStringLiteral("爸爸衣服"), QStringLiteral("爸爸衣服")}));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("nu=3101234567890"));
    h.pick(1);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("nu=9876543210123"));

    // Fuzzy, blanks only: everything.
    h.key(Qt::Key_F7);
    h.fake.dialogs.shown.clear();
    box->setText(QStringLiteral("   "));
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(), QStringList({QStringLiteral("已为您找到3个相关快递")}));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
}

void PagesTest::reinitialise_resetsProgressOrTheWindow() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.openReady();

    // With no current parcel nothing happens beyond the question.
    h.picker()->setCurrentIndex(0);
    h.key(Qt::Key_F5);
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts(),
             QStringList({QStringLiteral("此操作将清空快递数据,并重新进行获取,是否继续?")}));
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("0"));
    QCOMPARE(m_stub.count(QStringLiteral("/")), 0);

    h.child<QCheckBox>(QStringLiteral("Check3"))->setChecked(true);
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("3"));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.field(3), QStringLiteral("无更新"));
    QCOMPARE(h.fake.sound.played.size(), 1);

    // No: nothing changes.
    h.fake.dialogs.shown.clear();
    h.key(Qt::Key_F5);
    h.fake.dialogs.answers = {false};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("3"));

    // Yes: the count goes to 0, the parcel is queried once more and its progress announced again.
    h.fake.dialogs.shown.clear();
    h.fake.dialogs.answers = {true};
    m_stub.clearRequests();
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(h.fake.dialogs.texts().last(), QStringLiteral("初始化成功!"));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.field(3), QStringLiteral("有更新"));
    QCOMPARE(h.storedCount(QStringLiteral("爸爸衣服")), QStringLiteral("3"));
    QCOMPARE(h.fake.sound.played.size(), 2);
    QCOMPARE(m_stub.count(QStringLiteral("/")), 1);
    QCOMPARE(h.list()->topLevelItemCount(), 3);
}

void PagesTest::refusedAdd_leavesTheCurrentParcelAlone() {
    Harness h;
    h.folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("1234567890"), QStringLiteral("爸爸衣服"));
    h.openReady();
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));

    // Code 1 answered No, another code, and an unreadable answer: nothing is stored each time.
    const QList<QByteArray> refusals = {codeAnswer("1"), codeAnswer("7"), "<html>网关错误</html>"};
    for (const QByteArray &answer : refusals) {
        m_stub.answer(QStringLiteral("/"), answer);
        h.fake.dialogs.answers = {false};
        addParcel(h, QStringLiteral("5555555555"), QStringLiteral("韵达快递"), QStringLiteral("新东西"));
        TRY_VERIFY(h.picker()->isEnabled());
        QCOMPARE(h.parcels().size(), 1);

        h.key(Qt::Key_F5);
        QCOMPARE(h.child<QLineEdit>(QStringLiteral("Text4"))->text(), QStringLiteral("1234567890"));
        QCOMPARE(h.child<QPushButton>(QStringLiteral("Command1_8"))->text(), QStringLiteral("顺丰快递"));
        QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_10")), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("快递物品：爸爸衣服\r\n快递公司：顺丰快递\r\n快递单号：1234567890"));
        h.key(Qt::Key_Escape);
    }

    // Modifying the goods alone keeps the parcel's own number and company.
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    h.key(Qt::Key_F5);
    h.child<QLineEdit>(QStringLiteral("Text6"))->setText(QStringLiteral("爸爸外套"));
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_9")), Qt::LeftButton);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    const QList<ParcelRow> rows = h.parcels();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].number, QStringLiteral("1234567890"));
    QCOMPARE(rows[0].company, QStringLiteral("顺丰快递"));
    QCOMPARE(rows[0].goods, QStringLiteral("爸爸外套"));
}

void PagesTest::sameGoods_eachParcelIsPickedModifiedAndDeleted() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"), QStringLiteral("衣服"));
    h.openReady();

    h.pick(1);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("nu=7700112233445"));
    QCOMPARE(h.field(7), QStringLiteral("中通快递"));
    QCOMPARE(h.parcels()[1].num, QStringLiteral("3"));
    QCOMPARE(h.parcels()[0].num, QStringLiteral("0"));

    // Modify reaches the second row, and the entry keeps naming it.
    h.key(Qt::Key_F5);
    QCOMPARE(h.child<QLineEdit>(QStringLiteral("Text4"))->text(), QStringLiteral("7700112233445"));
    h.child<QLineEdit>(QStringLiteral("Text6"))->setText(QStringLiteral("衣服"));
    h.child<QLineEdit>(QStringLiteral("Text4"))->setText(QStringLiteral("7700112233446"));
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_9")), Qt::LeftButton);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.parcels()[0].number, QStringLiteral("3101234567890"));
    QCOMPARE(h.parcels()[1].number, QStringLiteral("7700112233446"));
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("nu=7700112233446"));

    // Delete removes the second row only.
    h.key(Qt::Key_F5);
    h.fake.dialogs.answers = {true};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_11")), Qt::LeftButton);
    QCOMPARE(h.parcels().size(), 1);
    QCOMPARE(h.parcels()[0].number, QStringLiteral("3101234567890"));
}

QTEST_MAIN(PagesTest)
#include "tst_pages.moc"
