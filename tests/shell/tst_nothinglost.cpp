// Nothing the user entered is lost and nothing is shown wrong: settings kept however the page goes,
// presses that act, failures reported as failures, the newest entry in view, no stale balloon.
#include "shell/MessageDialogs.h"
#include "store/Schema.h"
#include "store/SettingsStore.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <sys/stat.h>

#include <functional>

using harness::answerWith;
using harness::Harness;

class NothingLostTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void settings_storedHoweverThePageIsHidden();
    void pressOnAPage_closesItOnlyOnItsBackground();
    void recognition_unreachableServiceIsAFailure();
    void query_newestEntryStaysInView();
    void failedCountWrite_raisesNoAlert();
    void balloon_goesWithTheListItTold();
    void destructiveQuestions_enterDestroysNothing();
    void backups_generationsOutliveAClearAndRestarts();
    void mailInFlight_isWaitedForOnClose();

private:
    HttpStub m_stub;
};

namespace {

QString storedAddress(const Harness &h) {
    Database db = h.folder.open();
    return must(SettingsStore(db).load()).value().address;
}

// A press where the page shows nothing but its own background.
void pressBackground(QWidget *page) {
    const QPoint corner(4, page->height() - 4);
    QVERIFY(!page->childAt(corner));
    QTest::mousePress(page, Qt::LeftButton, {}, corner);
    QTest::mouseRelease(page, Qt::LeftButton, {}, corner);
}

int parcelsIn(const QString &file) {
    Database db = Database::open(file, schema::databasePassword());
    return static_cast<int>(must(ParcelStore(db).pickerEntries()).size());
}

mode_t modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

} // namespace

void NothingLostTest::initTestCase() {
    QVERIFY(m_stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", m_stub.baseUrl().toUtf8());
    qputenv("PARCELBOOK_RECOGNITION_URL", (m_stub.baseUrl() + QStringLiteral("/rec")).toUtf8());
    qputenv("PARCELBOOK_SITE_URL", (m_stub.baseUrl() + QStringLiteral("/site")).toUtf8());
}

void NothingLostTest::init() {
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.0");
    m_stub.answer(QStringLiteral("/site/data/tg.txt"), "公告|http://127.0.0.1/");
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
    m_stub.delay(QStringLiteral("/"), 0);
    m_stub.clearRequests();
}

void NothingLostTest::settings_storedHoweverThePageIsHidden() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.openReady();
    QWidget *page = h.page(1);
    auto *mail = h.child<QCheckBox>(QStringLiteral("Check2"));
    auto *address = h.child<QLineEdit>(QStringLiteral("Sendmail"));

    const struct {
        const char *way;
        std::function<void()> hide;
    } ways[] = {
        {"close box",
         [&] {
             QTest::mouseClick(h.child<QWidget>(QStringLiteral("x_1")), Qt::LeftButton);
         }},
        {"Esc",
         [&] {
             h.key(Qt::Key_Escape);
         }},
        {"a toolbar key",
         [&] {
             h.key(Qt::Key_F7);
         }},
        {"a parcel picked",
         [&] {
             h.pick(0);
         }},
        {"a press on the page",
         [&] {
             h.child<QCheckBox>(QStringLiteral("Check5"))->setChecked(true);
             pressBackground(page);
         }},
    };
    int n = 0;
    for (const auto &way : ways) {
        h.key(Qt::Key_F9);
        QVERIFY(page->isVisible());
        mail->setChecked(true);
        const QString typed = QStringLiteral("user%1@qq.com").arg(++n);
        address->setText(typed);
        way.hide();
        QVERIFY2(!page->isVisible(), way.way);
        QVERIFY2(storedAddress(h) == typed, way.way);
    }
    TRY_VERIFY(h.picker()->isEnabled());
    // The picked parcel's news was mailed: its notice has left the hint line.
    TRY_COMPARE(h.fake.recordingMailer.finished, 1);

    // A wrong address is said on the hint line and not stored; the close box keeps the page open.
    h.child<QCheckBox>(QStringLiteral("Check5"))->setChecked(false);
    h.key(Qt::Key_F9);
    address->setText(QStringLiteral("没有at的地址"));
    QTest::mouseClick(h.child<QWidget>(QStringLiteral("x_1")), Qt::LeftButton);
    QVERIFY(page->isVisible());
    QCOMPARE(h.hint(), QStringLiteral("您的E-mail地址输入错误!请您检查!"));
    h.key(Qt::Key_Escape);
    QVERIFY(!page->isVisible());
    QCOMPARE(h.hint(), QStringLiteral("您的E-mail地址输入错误!请您检查!"));
    QCOMPARE(storedAddress(h), QStringLiteral("user5@qq.com"));

    // With mail off the address is stored as "无".
    h.key(Qt::Key_F9);
    mail->setChecked(false);
    h.key(Qt::Key_Escape);
    QCOMPARE(storedAddress(h), QStringLiteral("无"));
}

void NothingLostTest::pressOnAPage_closesItOnlyOnItsBackground() {
    Harness h;
    h.openReady();
    h.child<QCheckBox>(QStringLiteral("Check5"))->setChecked(true);

    // A quick pick filters the directory and the page stays.
    h.key(Qt::Key_F12);
    QWidget *directory = h.page(4);
    QTest::mouseClick(h.child<QLabel>(QStringLiteral("Label20_0")), Qt::LeftButton);
    QVERIFY(directory->isVisible());
    auto *companies = h.child<QTreeWidget>(QStringLiteral("ListView2"));
    QVERIFY(companies->topLevelItemCount() > 0);
    for (int row = 0; row < companies->topLevelItemCount(); ++row) {
        QVERIFY(companies->topLevelItem(row)->text(1).contains(QStringLiteral("顺丰快递")));
    }
    pressBackground(directory);
    QVERIFY(!directory->isVisible());

    // The settings page's link opens its page in the browser and the settings page stays.
    h.key(Qt::Key_F9);
    QWidget *settings = h.page(1);
    QTest::mouseClick(h.child<QLabel>(QStringLiteral("Label22")), Qt::LeftButton, {}, QPoint(20, 11));
    QCOMPARE(h.fake.desktop.opened.last(), m_stub.baseUrl() + QStringLiteral("/site/tui.html"));
    QVERIFY(settings->isVisible());
    pressBackground(settings);
    QVERIFY(!settings->isVisible());
}

void NothingLostTest::recognition_unreachableServiceIsAFailure() {
    Harness h;
    h.openReady();
    h.key(Qt::Key_F4);
    auto *number = h.child<QComboBox>(QStringLiteral("Text3"));
    auto *caption = h.child<QPushButton>(QStringLiteral("Command1_12"));
    number->setEditText(QStringLiteral("3101234567890"));

    m_stub.closeWithoutAnswer(QStringLiteral("/rec/autonumber/auto"));
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command2")), Qt::LeftButton);
    TRY_COMPARE(caption->text(), QStringLiteral("检测出错,请查询您的单号是否正确"));

    // An empty answer is no failure: the caption keeps saying it is looking.
    m_stub.answer(QStringLiteral("/rec/autonumber/auto"), QByteArray());
    m_stub.clearRequests();
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command2")), Qt::LeftButton);
    TRY_COMPARE(m_stub.count(QStringLiteral("/rec/autonumber/auto")), 1);
    QTest::qWait(100);
    QCOMPARE(caption->text(), QStringLiteral("正在检测快递"));
}

void NothingLostTest::query_newestEntryStaysInView() {
    Harness h;
    h.folder.addParcel(QStringLiteral("韵达快递"), QStringLiteral("4300000000001"), QStringLiteral("书"));
    h.openReady();
    QList<QPair<QString, QString>> entries;
    for (int i = 40; i > 0; --i) {
        entries.append({QStringLiteral("2026-12-%1 08:00:00").arg(1 + i % 7, 2, 10, QLatin1Char('0')),
                        QStringLiteral("第%1站").arg(i)});
    }
    m_stub.answer(QStringLiteral("/"), answerWith(entries));
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QTreeWidget *list = h.list();
    QCOMPARE(list->topLevelItemCount(), 40);
    // The oldest row is selected, and the newest (red) one is what the user sees first.
    QCOMPARE(list->currentItem(), list->topLevelItem(39));
    QCOMPARE(list->verticalScrollBar()->value(), 0);
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(0))));
}

void NothingLostTest::failedCountWrite_raisesNoAlert() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.openReady();
    h.child<QCheckBox>(QStringLiteral("Check3"))->setChecked(true);
    h.mailTo(QStringLiteral("me@qq.com"));

    // The count cannot be stored: the table is gone by the time the answer is parsed.
    m_stub.delay(QStringLiteral("/"), 200);
    h.pick(0);
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("ALTER TABLE parcelbook RENAME TO parcelbook_away"));
    }
    TRY_VERIFY(h.hint().startsWith(QStringLiteral("更新记录保存失败!错误原因")));
    QCOMPARE(h.field(3), QStringLiteral("有更新"));
    QTest::qWait(50);
    QVERIFY(h.fake.sound.played.isEmpty());
    QVERIFY(h.fake.recordingMailer.sent.isEmpty());
    QVERIFY(h.hint().startsWith(QStringLiteral("更新记录保存失败!错误原因")));
}

void NothingLostTest::balloon_goesWithTheListItTold() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.openReady();
    h.child<QCheckBox>(QStringLiteral("Check6"))->setChecked(true);
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QWidget *viewport = h.list()->viewport();
    const QPoint row = h.list()->visualItemRect(h.list()->topLevelItem(1)).center();
    const auto balloons = [&h] {
        return h.list()->findChildren<QWidget *>(QStringLiteral("balloonTip"));
    };
    QTest::mouseClick(viewport, Qt::LeftButton, {}, row);
    QCOMPARE(balloons().size(), 1);

    // Queried again, the list is refilled: the balloon about the old row goes, resting or not.
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QVERIFY(balloons().isEmpty());
    QTest::mouseMove(viewport, row);
    QTest::qWait(50);
    QVERIFY(balloons().isEmpty());

    // And emptied by a refresh.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, row);
    QCOMPARE(balloons().size(), 1);
    h.key(Qt::Key_F8);
    QCOMPARE(h.list()->topLevelItemCount(), 0);
    QVERIFY(balloons().isEmpty());
}

void NothingLostTest::destructiveQuestions_enterDestroysNothing() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"), QStringLiteral("鞋子"));
    h.openReady();
    h.pick(0);
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    const auto enterOn = [&h](const QString &question) {
        QCOMPARE(h.fake.dialogs.shown.last().text, question);
        QCOMPARE(h.fake.dialogs.shown.last().byDefault, DefaultAnswer::No);
    };

    // Each destroying question answered by Enter alone.
    h.fake.dialogs.answers = {std::nullopt};
    h.key(Qt::Key_F6);
    enterOn(QStringLiteral("确定要清空快递列表吗?"));
    h.key(Qt::Key_F5);
    h.fake.dialogs.answers = {std::nullopt};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command1_11")), Qt::LeftButton);
    enterOn(QStringLiteral("确定要删除[衣服]此单号码?"));
    h.fake.dialogs.answers = {std::nullopt};
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("Command5")), Qt::LeftButton);
    enterOn(QStringLiteral("此操作将清空快递数据,并重新进行获取,是否继续?"));
    h.fake.dialogs.answers = {std::nullopt};
    h.key(Qt::Key_F11);
    enterOn(QStringLiteral("确定要执行初始化吗?"));
    QVERIFY(h.pageShown(2));
    QCOMPARE(h.storedCount(QStringLiteral("衣服")), QStringLiteral("3"));

    // Code 1: the first question keeps on Enter; after No, the second does too.
    m_stub.answer(QStringLiteral("/"), harness::codeAnswer("1"));
    h.fake.dialogs.answers = {false, std::nullopt};
    h.pick(0);
    TRY_VERIFY(h.picker()->isEnabled());
    enterOn(QStringLiteral("二次防误操作：确认要删除此快递单号?"));
    QCOMPARE(h.parcels().size(), 2);

    // The real message box: Enter takes the default button, Esc answers No.
    MessageDialogs real;
    const auto press = [](Qt::Key key) {
        QTimer::singleShot(0, [key] { QTest::keyClick(QApplication::activeModalWidget(), key); });
    };
    press(Qt::Key_Return);
    QVERIFY(!real.ask(QStringLiteral("岚舟系列软件"), QStringLiteral("确定要清空快递列表吗?"),
                      DefaultAnswer::No));
    press(Qt::Key_Return);
    QVERIFY(real.ask(QStringLiteral("岚舟系列软件"), QStringLiteral("是否保留?"), DefaultAnswer::Yes));
    press(Qt::Key_Escape);
    QVERIFY(!real.ask(QStringLiteral("岚舟系列软件"), QStringLiteral("是否保留?"), DefaultAnswer::Yes));
}

void NothingLostTest::backups_generationsOutliveAClearAndRestarts() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("7700112233445"), QStringLiteral("鞋子"));
    const QString generations = h.folder.path() + QStringLiteral("/db/backups");
    const auto startOn = [&h](int day) {
        h.window.reset();
        h.fake.clock.current = QDateTime(QDate(2026, 12, day), QTime(9, 0));
        h.openReady();
    };
    startOn(1);
    startOn(2);
    startOn(2);
    // The copies are kept off the window's thread, soon after it is up.
    TRY_COMPARE(QDir(generations).entryList(QDir::Files),
                QStringList({QStringLiteral("parcelbook-2026-12-01.mdb"),
                             QStringLiteral("parcelbook-2026-12-02.mdb")}));
    QCOMPARE(modeOf(generations), mode_t(0700));
    QCOMPARE(modeOf(h.folder.backupPath()), mode_t(0600));
    for (const QString &name : QDir(generations).entryList(QDir::Files)) {
        QCOMPARE(modeOf(generations + QLatin1Char('/') + name), mode_t(0600));
        QCOMPARE(parcelsIn(generations + QLatin1Char('/') + name), 2);
    }

    // A clear keeps a copy first; two restarts later the parcels are still there to restore.
    h.fake.dialogs.answers = {true};
    h.key(Qt::Key_F6);
    QCOMPARE(h.hint(), QStringLiteral("快递列表已清空..."));
    startOn(3);
    startOn(4);
    QCOMPARE(parcelsIn(h.folder.backupPath()), 0);
    const QStringList beforeClear =
        QDir(generations)
            .entryList({QStringLiteral("parcelbook-2026-12-02-before-clear-*.mdb")}, QDir::Files);
    QCOMPARE(beforeClear.size(), 1);
    QCOMPARE(parcelsIn(generations + QLatin1Char('/') + beforeClear.first()), 2);
    QCOMPARE(modeOf(generations + QLatin1Char('/') + beforeClear.first()), mode_t(0600));

    // Only the newest seven days are kept.
    for (int day = 5; day <= 9; ++day) {
        startOn(day);
    }
    // A closing window waits for the copies it is keeping.
    h.window.reset();
    const QStringList kept = QDir(generations).entryList(QDir::Files, QDir::Name);
    QCOMPARE(kept.first(), QStringLiteral("parcelbook-2026-12-03.mdb"));
    QCOMPARE(kept.last(), QStringLiteral("parcelbook-2026-12-09.mdb"));
    QCOMPARE(kept.size(), 7);
}

void NothingLostTest::mailInFlight_isWaitedForOnClose() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.openReady();
    h.mailTo(QStringLiteral("me@qq.com"));
    h.fake.recordingMailer.delayMs = 300;
    h.pick(0);
    TRY_COMPARE(h.fake.recordingMailer.sent.size(), 1);

    // Closed while the mail is on its way: the program says so and ends once it has gone.
    int mailedWhenEnded = -1;
    h.fake.desktop.onQuit = [&] {
        mailedWhenEnded = h.fake.recordingMailer.finished;
    };
    QString hintWhileWaiting;
    QTimer::singleShot(100, [&] { hintWhileWaiting = h.hint(); });
    h.window->close();
    QCOMPARE(hintWhileWaiting, QStringLiteral("正在发送邮件,请稍等.."));
    QCOMPARE(mailedWhenEnded, 1);
    QCOMPARE(h.fake.desktop.quits, 1);

    // A mail that never ends is waited for only so long (the limit is made to run out here).
    h.window.reset();
    {
        Database db = h.folder.open();
        db.exec(QStringLiteral("UPDATE parcelbook SET num = '0'"));
    }
    h.openReady();
    h.fake.recordingMailer.delayMs = 3600 * 1000;
    h.pick(0);
    TRY_COMPARE(h.fake.recordingMailer.sent.size(), 2);
    QTimer::singleShot(50, [&h] {
        auto *limit = h.window->findChild<QTimer *>(QStringLiteral("mailWait"));
        QVERIFY(limit && limit->isActive());
        QVERIFY(QMetaObject::invokeMethod(limit, "timeout"));
    });
    h.window->close();
    QCOMPARE(h.fake.desktop.quits, 2);
    QCOMPARE(mailedWhenEnded, 1);
}

QTEST_MAIN(NothingLostTest)
#include "tst_nothinglost.moc"
