// Start-up of the real main window over a temporary program folder.
#include "net/ServiceAddresses.h"
#include "shell/MainWindow.h"
#include "store/ParcelStore.h"
#include "store/SettingsStore.h"
#include "support/FakePlatform.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "support/TrackingAnswers.h"
#include "tracker/ParcelTracker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrlQuery>

#include <sys/stat.h>

namespace {

template <typename T> T *child(QWidget &window, const QString &name) {
    T *widget = window.findChild<T *>(name);
    if (!widget) {
        qFatal("no widget %s", qPrintable(name));
    }
    return widget;
}

QString text(QWidget &window, const QString &name) {
    return child<QLabel>(window, name)->text();
}

QByteArray bytesOfFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(QComboBox *box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items.append(box->itemText(i));
    }
    return items;
}

} // namespace

class StartupTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void start_arrangesTheWindow();
    void picker_listsEveryParcelAndKeepsEntriesOfAnEmptyBook();
    void settings_loadOntoPageAndTogglesStoreOneColumn();
    void addressSave_validatesStoresAndCloses();
    void unusableBook_saysWhyOpensSiteCopiesNothing_data();
    void unusableBook_saysWhyOpensSiteCopiesNothing();
    void troubledBook_offersItsNewestGoodCopy_data();
    void troubledBook_offersItsNewestGoodCopy();
    void secondCopy_isRefusedAndKilledCopyLeavesNoLock();
    void returnToIdle_hidesPagesAndUnlocks();
    void showThenStart_firstFrameThenTheBook();
    void unconfiguredStart_saysSoAtOnceAndStaysQuiet();
    void servicesDialog_testsSavesAndAppliesAtOnce();
};

void StartupTest::start_arrangesTheWindow() {
    TempProgramFolder folder;
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(window.start());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.size(), QSize(770, 517));
    for (int element : {2, 3, 5, 7}) {
        QCOMPARE(text(window, QStringLiteral("Label12_%1").arg(element)), QStringLiteral("未查询"));
    }
    QCOMPARE(text(window, QStringLiteral("Label12_0")), QStringLiteral("快件状态"));
    QCOMPARE(text(window, QStringLiteral("Label11_0")), QStringLiteral("查询提示："));
    // No service is set in a test's own configuration folder.
    QCOMPARE(text(window, QStringLiteral("Label11_2")), servicesfile::trackingMissingText());
    // The version line is project()'s, whatever the sources say.
    QCOMPARE(text(window, QStringLiteral("Label11_3")), QStringLiteral(PARCELBOOK_PROJECT_VERSION));
    QCOMPARE(text(window, QStringLiteral("Label11_4")), QStringLiteral("岚舟出品"));
    QCOMPARE(text(window, QStringLiteral("Label11_5")), QStringLiteral("Time"));
    QVERIFY(fake.dialogs.shown.isEmpty());

    auto *list = child<QTreeWidget>(window, QStringLiteral("ListView1"));
    QVERIFY(list->isEnabled());
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("Num"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("时间"));
    QCOMPARE(list->headerItem()->text(2), QStringLiteral("物流进度 ( 双击列表可复制单条物流进度 )"));
    QCOMPARE(list->columnWidth(0), 60);
    QCOMPARE(list->columnWidth(1), 130);
    QCOMPARE(list->columnWidth(2), 500);
    for (const QString &name : {QStringLiteral("ListView1"), QStringLiteral("ListView2")}) {
        QHeaderView *header = child<QTreeWidget>(window, name)->header();
        for (int section = 0; section < 3; ++section) {
            QCOMPARE(header->sectionResizeMode(section), QHeaderView::Fixed);
        }
    }

    const QStringList captions = {QString(),
                                  QStringLiteral("单号操作"),
                                  QStringLiteral("清空列表"),
                                  QStringLiteral("添加快递"),
                                  QStringLiteral("快递搜索"),
                                  QStringLiteral("刷新列表"),
                                  QStringLiteral("快递列表"),
                                  QStringLiteral("导出数据")};
    for (int element = 1; element <= 7; ++element) {
        auto *icon = child<QToolButton>(window, QStringLiteral("Image2_%1").arg(element));
        QCOMPARE(icon->size(), QSize(53, 53));
        QVERIFY(icon->isEnabled());
        QCOMPARE(text(window, QStringLiteral("Label25_%1").arg(element)), captions[element]);
    }
    QVERIFY(child<QToolButton>(window, QStringLiteral("Image2_1"))->x() <
            child<QToolButton>(window, QStringLiteral("Image2_3"))->x());
    QVERIFY(child<QToolButton>(window, QStringLiteral("Image2_5"))->x() <
            child<QToolButton>(window, QStringLiteral("Image2_2"))->x());

    const QSize pageSizes[] = {{337, 345}, {569, 313}, {353, 273}, {297, 289}, {601, 441}};
    for (int element = 0; element < 5; ++element) {
        QWidget *page = child<QWidget>(window, QStringLiteral("kdmenu_%1").arg(element));
        // The book is empty, so the add page is open.
        QCOMPARE(page->isVisible(), element == 0);
        QCOMPARE(page->size(), pageSizes[element]);
    }

    auto *hours = child<QComboBox>(window, QStringLiteral("Combo2"));
    auto *minutes = child<QComboBox>(window, QStringLiteral("Combo3"));
    auto *interval = child<QComboBox>(window, QStringLiteral("Combo4"));
    QCOMPARE(hours->count(), 24);
    QCOMPARE(hours->itemText(23), QStringLiteral("23"));
    QCOMPARE(hours->currentText(), QStringLiteral("0"));
    QCOMPARE(minutes->count(), 60);
    QCOMPARE(minutes->currentText(), QStringLiteral("0"));
    QCOMPARE(interval->count(), 360);
    QCOMPARE(interval->itemText(0), QStringLiteral("1"));
    QCOMPARE(interval->itemText(359), QStringLiteral("360"));
    QCOMPARE(interval->currentIndex(), -1);
}

void StartupTest::picker_listsEveryParcelAndKeepsEntriesOfAnEmptyBook() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("爸爸衣服"));
    folder.addParcel(QStringLiteral("中通快递"), QStringLiteral("2"), QStringLiteral("妈妈's 鞋"));
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("3"), QStringLiteral("爸爸衣服"));
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(window.start());
    auto *picker = child<QComboBox>(window, QStringLiteral("Text1"));
    QVERIFY(picker->isEnabled());
    QCOMPARE(entries(picker), QStringList({QStringLiteral("爸爸衣服"), QStringLiteral("妈妈's 鞋"),
                                           QStringLiteral("爸爸衣服")}));
    QCOMPARE(picker->currentIndex(), -1);
    QVERIFY(picker->currentText().isEmpty());

    // A reload of an empty table keeps what the picker held.
    {
        Database db = folder.open();
        must(ParcelStore(db).clear());
    }
    TempProgramFolder empty;
    FakePlatform second;
    MainWindow emptyWindow(second.platform(), empty.path());
    QVERIFY(emptyWindow.start());
    QCOMPARE(child<QComboBox>(emptyWindow, QStringLiteral("Text1"))->count(), 0);
}

void StartupTest::settings_loadOntoPageAndTogglesStoreOneColumn() {
    TempProgramFolder folder;
    {
        Database db = folder.open();
        db.exec(QStringLiteral(
            "UPDATE setting SET 通知邮箱 = 'me@mail.cn', 邮件通知 = '是', 语音提示 = '不是', "
            "支持拖动 = 'yes', 关闭窗口 = '', 气泡提示 = '是否', 默认查询 = '否', 自动识别 = '否'"));
    }
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(window.start());
    auto box = [&](int number) {
        return child<QCheckBox>(window, QStringLiteral("Check%1").arg(number));
    };
    QVERIFY(box(2)->isChecked());
    QVERIFY(box(3)->isChecked());
    QVERIFY(!box(4)->isChecked());
    QVERIFY(!box(5)->isChecked());
    QVERIFY(box(6)->isChecked());
    QVERIFY(!box(7)->isChecked());
    QVERIFY(!box(8)->isChecked());
    auto *address = child<QLineEdit>(window, QStringLiteral("Sendmail"));
    QCOMPARE(address->text(), QStringLiteral("me@mail.cn"));
    QVERIFY(address->isEnabled());

    Database db = folder.open();
    SettingsStore settings(db);
    // Switches loaded as on are written again in their stored word.
    QCOMPARE(must(settings.load())->sound, QStringLiteral("是"));
    QCOMPARE(must(settings.load())->balloon, QStringLiteral("是"));
    QCOMPARE(must(settings.load())->drag, QStringLiteral("yes"));

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    child<QWidget>(window, QStringLiteral("kdmenu_1"))->show();
    QTest::mouseClick(box(7), Qt::LeftButton, {}, QPoint(5, box(7)->height() / 2));
    QVERIFY(box(7)->isChecked());
    SettingsRow row = *must(settings.load());
    QCOMPARE(row.defaultQuery, QStringLiteral("是"));
    QCOMPARE(row.address, QStringLiteral("me@mail.cn"));
    QCOMPARE(row.mail, QStringLiteral("是"));
    QCOMPARE(row.closeOnPress, QString());
    QTest::mouseClick(box(2), Qt::LeftButton, {}, QPoint(5, box(2)->height() / 2));
    QVERIFY(!address->isEnabled());
    QCOMPARE(address->text(), QStringLiteral("me@mail.cn"));
    QCOMPARE(must(settings.load())->mail, QStringLiteral("否"));
    QTest::mouseClick(box(2), Qt::LeftButton, {}, QPoint(5, box(2)->height() / 2));
    QVERIFY(address->isEnabled());
    QCOMPARE(address->text(), QStringLiteral("me@mail.cn"));
    QCOMPARE(must(settings.load())->mail, QStringLiteral("是"));
}

void StartupTest::addressSave_validatesStoresAndCloses() {
    TempProgramFolder folder;
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(window.start());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *page = child<QWidget>(window, QStringLiteral("kdmenu_1"));
    auto *closeBox = child<QToolButton>(window, QStringLiteral("x_1"));
    auto *mail = child<QCheckBox>(window, QStringLiteral("Check2"));
    auto *address = child<QLineEdit>(window, QStringLiteral("Sendmail"));
    Database db = folder.open();
    SettingsStore settings(db);

    page->show();
    mail->setChecked(true);
    const struct {
        QString typed;
        QString hint;
    } refused[] = {{QString(), QStringLiteral("请输入您的E-mail地址..")},
                   {QStringLiteral("me.qq.com"), QStringLiteral("您的E-mail地址输入错误!请您检查!")},
                   {QStringLiteral("xu@mail.de"), QStringLiteral("您的E-mail地址输入错误!请您检查!")}};
    for (const auto &attempt : refused) {
        address->setText(attempt.typed);
        QTest::mouseClick(closeBox, Qt::LeftButton);
        QCOMPARE(text(window, QStringLiteral("Label11_2")), attempt.hint);
        QVERIFY(page->isVisible());
        QCOMPARE(must(settings.load())->address, QStringLiteral("无"));
    }

    address->setText(QStringLiteral("o'brien@mail.com"));
    QTest::mouseClick(closeBox, Qt::LeftButton);
    QVERIFY(!page->isVisible());
    QCOMPARE(text(window, QStringLiteral("Label11_2")), QStringLiteral("设置完毕.."));
    QCOMPARE(must(settings.load())->address, QStringLiteral("o'brien@mail.com"));

    // With the switch off the stored address becomes "无"; the box keeps its text for this run.
    page->show();
    mail->setChecked(false);
    QTest::mouseClick(closeBox, Qt::LeftButton);
    QVERIFY(!page->isVisible());
    QCOMPARE(must(settings.load())->address, QStringLiteral("无"));
    QCOMPARE(address->text(), QStringLiteral("o'brien@mail.com"));

    // The other close boxes only hide their page.
    QWidget *searchPage = child<QWidget>(window, QStringLiteral("kdmenu_3"));
    searchPage->show();
    page->show();
    QTest::mouseClick(child<QToolButton>(window, QStringLiteral("x_3")), Qt::LeftButton);
    QVERIFY(!searchPage->isVisible());
    QVERIFY(page->isVisible());
}

void StartupTest::unusableBook_saysWhyOpensSiteCopiesNothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("site");
    QTest::newRow("missing") << "missing" << QStringLiteral("文件不存在")
                             << QStringLiteral("http://127.0.0.1:9");
    QTest::newRow("garbage") << "garbage" << QStringLiteral("文件已损坏")
                             << QStringLiteral("http://127.0.0.1:9");
    // No site set, or a book the site cannot mend: nothing is opened, and no empty address is named.
    QTest::newRow("folder in its place")
        << "folder" << QStringLiteral("这是一个文件夹，不是文件") << QString();
    QTest::newRow("garbage, no site") << "garbage" << QStringLiteral("文件已损坏") << QString();
}

void StartupTest::unusableBook_saysWhyOpensSiteCopiesNothing() {
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    QFETCH(QString, site);
    const auto restore =
        qScopeGuard([before = qgetenv("PARCELBOOK_SITE_URL")] { qputenv("PARCELBOOK_SITE_URL", before); });
    qputenv("PARCELBOOK_SITE_URL", site.toUtf8());
    TempProgramFolder folder;
    if (fault == QStringLiteral("garbage")) {
        QFile book(folder.databasePath());
        QVERIFY(book.open(QIODevice::WriteOnly | QIODevice::Truncate));
        book.write(QByteArray(8192, 'x'));
    } else {
        QVERIFY(QFile::remove(folder.databasePath()));
        if (fault == QStringLiteral("folder")) {
            QVERIFY(QDir().mkdir(folder.databasePath()));
        }
    }
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(!window.start());
    QCOMPARE(fake.dialogs.shown.size(), 1);
    QCOMPARE(fake.dialogs.shown[0].title, QStringLiteral("岚舟系列软件"));
    const QString said =
        QStringLiteral("数据库链接出错!%1\n快递列表 %2:%3")
            .arg(fault == QStringLiteral("folder") ? QString() : QStringLiteral("请到官网下载原版!"),
                 folder.databasePath(), cause);
    if (site.isEmpty()) {
        QVERIFY(fake.desktop.opened.isEmpty());
        QCOMPARE(fake.dialogs.shown[0].text, said);
    } else {
        QCOMPARE(fake.desktop.opened, QStringList{site});
        QCOMPARE(fake.dialogs.shown[0].text, said + QStringLiteral("\n \n岚舟包裹通官方网站：") + site);
    }
    QCOMPARE(QFileInfo::exists(folder.databasePath()), fault != QStringLiteral("missing"));
    QVERIFY(!QFileInfo::exists(folder.backupPath()));
}

void StartupTest::troubledBook_offersItsNewestGoodCopy_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<bool>("starts");
    QTest::newRow("damaged, restored") << "damaged" << QList<bool>{true} << true;
    QTest::newRow("damaged, kept as it is") << "damaged" << QList<bool>{false} << true;
    QTest::newRow("truncated, restored") << "truncated" << QList<bool>{true} << true;
    QTest::newRow("missing, restored") << "missing" << QList<bool>{true} << true;
    QTest::newRow("missing, installed, new book") << "installed" << QList<bool>{false, true} << true;
}

void StartupTest::troubledBook_offersItsNewestGoodCopy() {
    QFETCH(QString, state);
    QFETCH(QList<bool>, answers);
    QFETCH(bool, starts);
    TempProgramFolder folder;
    folder.addManyParcels();
    {
        BookFile first(folder.path(), QDate(2026, 12, 1));
        QVERIFY(first.open());
        QVERIFY(first.keepCopies().clean());
    }
    if (state == QStringLiteral("damaged")) {
        QVERIFY(folder.damageMiddle());
    } else if (state == QStringLiteral("truncated")) {
        QVERIFY(QFile::resize(folder.databasePath(), QFileInfo(folder.databasePath()).size() / 2));
    } else {
        QVERIFY(QFile::remove(folder.databasePath()));
    }
    const QByteArray before = bytesOfFile(folder.databasePath());
    const QByteArray oldBackup = bytesOfFile(folder.backupPath());
    FakePlatform fake;
    for (const bool answer : answers) {
        fake.dialogs.answers.append(answer);
    }
    TempProgramFolder delivered;
    auto window = std::make_unique<MainWindow>(
        fake.platform(), programfolder::Places{folder.path(), delivered.path(), folder.path(),
                                               state == QStringLiteral("installed")});
    QCOMPARE(window->start(), starts);
    QTRY_COMPARE(fake.dialogs.answers.size(), 0);
    const QString question = fake.dialogs.shown.value(0).text;
    const QString said = fake.dialogs.shown.value(1).text;
    QVERIFY2(question.startsWith(QStringLiteral("快递列表 %1 ").arg(folder.databasePath())) &&
                 question.contains(QStringLiteral("最近一份完好的备份是 ")),
             qPrintable(question));
    auto *picker = child<QComboBox>(*window, QStringLiteral("Text1"));
    if (state == QStringLiteral("installed")) {
        // Not restored: a new empty book, its old copies set aside.
        QVERIFY2(said.contains(QStringLiteral("新的空快递列表")), qPrintable(said));
        QCOMPARE(picker->count(), 0);
        // The new book's own backup may already be there; the old one waits in db/previous-<date-time>/.
        const QStringList setAside =
            QDir(folder.path() + QStringLiteral("/db")).entryList({QStringLiteral("previous-*")}, QDir::Dirs);
        QCOMPARE(setAside.size(), 1);
        QCOMPARE(bytesOfFile(folder.path() + QStringLiteral("/db/") + setAside[0] + QStringLiteral("/") +
                             QFileInfo(folder.backupPath()).fileName()),
                 oldBackup);
    } else if (answers.first()) {
        QVERIFY2(said.startsWith(QStringLiteral("已用备份 ")), qPrintable(said));
        QTRY_COMPARE(picker->count(), 3000);
    } else {
        // What the user does next is refused, and said.
        auto *voice = child<QCheckBox>(*window, QStringLiteral("Check3"));
        voice->setChecked(!voice->isChecked());
        QVERIFY2(text(*window, QStringLiteral("Label11_2"))
                     .endsWith(QStringLiteral("失败!错误原因快递列表已损坏,程序不再写入它")),
                 qPrintable(text(*window, QStringLiteral("Label11_2"))));
        window->close();
        window.reset();
        // Declined: the book is as it was.
        QCOMPARE(bytesOfFile(folder.databasePath()), before);
    }
}

void StartupTest::secondCopy_isRefusedAndKilledCopyLeavesNoLock() {
    TempProgramFolder folder;
    const QString probe = QStringLiteral(PARCELBOOK_INSTANCE_PROBE);
    QProcess first;
    first.start(probe, {folder.path(), QStringLiteral("--hold")});
    // However slow the machine, the line comes once the copy holds the book; it is waited for as
    // long as the process lives, not for a fixed time.
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(first.canReadLine() || first.state() == QProcess::NotRunning, 600000);
    QCOMPARE(first.readLine().trimmed(), QByteArray("started"));

    // A second process and a second window in this process are both refused while the first runs.
    QProcess second;
    second.start(probe, {folder.path()});
    QVERIFY(second.waitForFinished(-1));
    QCOMPARE(second.readAllStandardOutput().trimmed(), QStringLiteral("程序已运行!").toUtf8());
    // The running copy's window comes to the front.
    QTRY_VERIFY(first.canReadLine());
    QCOMPARE(first.readLine().trimmed(), QByteArray("shown"));
    FakePlatform fake;
    {
        MainWindow window(fake.platform(), folder.path());
        QVERIFY(!window.start());
        QCOMPARE(fake.dialogs.texts(), QStringList({QStringLiteral("程序已运行!")}));
        QVERIFY(fake.desktop.opened.isEmpty());
    }

    first.kill();
    QVERIFY(first.waitForFinished(-1));
    FakePlatform after;
    MainWindow window(after.platform(), folder.path());
    QVERIFY(window.start());
    QVERIFY(after.dialogs.shown.isEmpty());
}

void StartupTest::returnToIdle_hidesPagesAndUnlocks() {
    TempProgramFolder folder;
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(window.start());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    child<QWidget>(window, QStringLiteral("kdmenu_0"))->show();
    child<QWidget>(window, QStringLiteral("kdmenu_4"))->show();
    window.returnToIdle();
    for (int element = 0; element < 5; ++element) {
        QVERIFY(!child<QWidget>(window, QStringLiteral("kdmenu_%1").arg(element))->isVisible());
    }
    QVERIFY(child<QComboBox>(window, QStringLiteral("Text1"))->isEnabled());
    QVERIFY(child<QTreeWidget>(window, QStringLiteral("ListView1"))->isEnabled());
    for (int element = 1; element <= 7; ++element) {
        QVERIFY(child<QToolButton>(window, QStringLiteral("Image2_%1").arg(element))->isEnabled());
    }
    QVERIFY(!child<QLabel>(window, QStringLiteral("AniGIF1"))->isVisible());
    QCOMPARE(text(window, QStringLiteral("Label11_2")), QStringLiteral("程序初始化完毕.."));
}

void StartupTest::showThenStart_firstFrameThenTheBook() {
    // The program's own way in: the window is shown before the book is opened behind it.
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    FakePlatform fake;
    {
        MainWindow window(fake.platform(), folder.path());
        QVERIFY(window.claim());
        window.showThenStart();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *picker = child<QComboBox>(window, QStringLiteral("Text1"));
        QTRY_COMPARE(picker->count(), 1);
        QCOMPARE(picker->itemText(0), QStringLiteral("衣服"));
        QTRY_VERIFY(child<QTimer>(window, QStringLiteral("Timer3"))->isActive());
        QVERIFY(child<QTimer>(window, QStringLiteral("Timer5"))->isActive());
        QCOMPARE(fake.desktop.quits, 0);
    }

    // A book that cannot be opened is told after the first frame, and the program ends.
    QFile book(folder.databasePath());
    QVERIFY(book.open(QIODevice::WriteOnly | QIODevice::Truncate));
    book.write(QByteArray(8192, 'x'));
    book.close();
    FakePlatform broken;
    broken.dialogs.answers = {false};
    MainWindow window(broken.platform(), folder.path());
    QVERIFY(window.claim());
    window.showThenStart();
    QTRY_COMPARE(broken.desktop.quits, 1);
    QVERIFY(broken.dialogs.texts().last().startsWith(
        QStringLiteral("快递列表 %1:文件已损坏;最近一份完好的备份是 ").arg(folder.databasePath())));
}

void StartupTest::unconfiguredStart_saysSoAtOnceAndStaysQuiet() {
    // The services file is a pipe nobody writes: the window starts all the same and says why.
    QTemporaryDir config;
    const auto restore =
        qScopeGuard([before = qgetenv("XDG_CONFIG_HOME")] { qputenv("XDG_CONFIG_HOME", before); });
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QVERIFY(QDir().mkdir(config.filePath(QStringLiteral("parcelbook"))));
    QCOMPARE(::mkfifo(QFile::encodeName(servicesfile::location()).constData(), 0600), 0);
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(window.start());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString missing = servicesfile::trackingMissingText();
    QVERIFY(missing.contains(servicesfile::location() + QStringLiteral("”是管道,不是普通文件")));
    QCOMPARE(text(window, QStringLiteral("Label11_2")), missing);
    // The check has no site to ask: nothing is said, nothing is opened.
    QVERIFY(QMetaObject::invokeMethod(child<QTimer>(window, QStringLiteral("Timer3")), "timeout"));
    QCOMPARE(text(window, QStringLiteral("Label11_2")), missing);

    // A query says so at once: no request, no ten-second watch, the window stays free.
    auto *picker = child<QComboBox>(window, QStringLiteral("Text1"));
    picker->setCurrentIndex(0);
    Q_EMIT picker->activated(0);
    QCOMPARE(text(window, QStringLiteral("Label11_2")), missing);
    QVERIFY(!harness::runningAnswerLimit(*window.findChild<ParcelTracker *>()));
    QVERIFY(picker->isEnabled());
    QVERIFY(!child<QLabel>(window, QStringLiteral("AniGIF1"))->isVisible());

    // Calibration without its addresses asks nobody and says why.
    QTest::keyClick(&window, Qt::Key_F9);
    QTest::mouseClick(child<QPushButton>(window, QStringLiteral("Command3")), Qt::LeftButton);
    QCOMPARE(fake.dialogs.texts(),
             QStringList({QStringLiteral("尚未设置时间服务,请在设置页的“查询服务”中填写")}));
    QVERIFY(child<QPushButton>(window, QStringLiteral("Command3"))->isEnabled());
    QCOMPARE(fake.desktop.quits, 0);
}

void StartupTest::servicesDialog_testsSavesAndAppliesAtOnce() {
    QTemporaryDir config;
    const auto restore =
        qScopeGuard([before = qgetenv("XDG_CONFIG_HOME")] { qputenv("XDG_CONFIG_HOME", before); });
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    HttpStub stub;
    QVERIFY(stub.listen());
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    FakePlatform fake;
    MainWindow window(fake.platform(), folder.path());
    QVERIFY(window.start());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::keyClick(&window, Qt::Key_F9);
    auto *open = child<QPushButton>(window, QStringLiteral("servicesButton"));
    QCOMPARE(open->accessibleName(), QStringLiteral("查询服务"));
    QTest::mouseClick(open, Qt::LeftButton);
    auto *dialog = window.findChild<QDialog *>(QStringLiteral("servicesDialog"));
    QVERIFY(dialog && dialog->isVisible());
    const auto box = [dialog](const char *name) {
        return dialog->findChild<QLineEdit *>(QLatin1String(name));
    };
    QCOMPARE(box("smtpPassword")->echoMode(), QLineEdit::Password);
    auto *test = dialog->findChild<QPushButton *>(QStringLiteral("testButton"));
    auto *verdict = dialog->findChild<QLabel *>(QStringLiteral("testVerdict"));

    const struct {
        QByteArray answer;
        QString verdict;
    } trials[] = {
        {harness::answerWith(harness::inTransit()),
         QStringLiteral("测试成功:查询服务应答正常,样例单号有 3 条物流进度")},
        {"<html>登录</html>", QStringLiteral("测试失败:服务有应答,但不是快递查询的答复(没有 errCode)")},
        {harness::codeAnswer("2"),
         QStringLiteral("测试失败:查询服务答复结果码 2 验证码错误,可能此快递公司失效,请联系管理员")},
    };
    box("trackingAddress")->setText(stub.baseUrl() + QStringLiteral("/"));
    box("accountId")->setText(QStringLiteral("99"));
    for (const auto &trial : trials) {
        stub.answer(QStringLiteral("/"), trial.answer);
        stub.delay(QStringLiteral("/"), 100);
        stub.clearRequests();
        QTest::mouseClick(test, Qt::LeftButton);
        // The window goes on while the service thinks.
        QVERIFY(!test->isEnabled());
        bool ran = false;
        QTimer::singleShot(10, [&ran] { ran = true; });
        QTRY_VERIFY(ran);
        QTRY_COMPARE(verdict->text(), trial.verdict);
        QVERIFY(test->isEnabled());
        // Pressed with the mouse, the trial hands the keyboard on to 保存.
        QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("saveButton"));
        const QUrlQuery sent(QString::fromLatin1(stub.requests(QStringLiteral("/")).first().query));
        QCOMPARE(sent.allQueryItemValues(QStringLiteral("id")).first(), QStringLiteral("99"));
        QCOMPARE(sent.queryItemValue(QStringLiteral("nu")), QStringLiteral("3101234567890"));
    }
    QVERIFY(!QFile::exists(servicesfile::location()));
    // From the keyboard, it goes back to the box being edited; no placeholder is cut.
    box("accountId")->setFocus();
    test->click();
    QTRY_VERIFY(test->isEnabled());
    QCOMPARE(dialog->focusWidget(), box("accountId"));
    QVERIFY(
        box("trackingAddress")->width() >
        box("trackingAddress")->fontMetrics().horizontalAdvance(box("trackingAddress")->placeholderText()));

    // A mail address of another kind is refused with the reason; the boxes stay and nothing is written.
    auto *save = dialog->findChild<QPushButton *>(QStringLiteral("saveButton"));
    box("smtpUrl")->setText(QStringLiteral("file:///tmp/mail.eml"));
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(verdict->text(),
             QStringLiteral("无法保存:“发信服务器(smtp://主机:端口)”只接受 smtp:// 或 smtps:// 开头的地址"));
    QVERIFY(dialog->focusWidget() == box("smtpUrl") && !QFile::exists(servicesfile::location()));
    box("smtpUrl")->clear();

    // Saved: the file is the user's alone, and the next query goes to the new service.
    stub.answer(QStringLiteral("/"), harness::answerWith(harness::inTransit()));
    stub.delay(QStringLiteral("/"), 0);
    stub.clearRequests();
    // Enter in a box saves.
    QTest::keyClick(box("accountId"), Qt::Key_Return);
    QTRY_VERIFY(!window.findChild<QDialog *>(QStringLiteral("servicesDialog")));
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(servicesfile::location()).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0600u);
    QCOMPARE(servicesfile::read(servicesfile::location()).addresses.tracking.address, stub.baseUrl());
    QCOMPARE(text(window, QStringLiteral("Label11_2")), QStringLiteral("查询服务已保存并生效.."));
    auto *picker = child<QComboBox>(window, QStringLiteral("Text1"));
    picker->setCurrentIndex(0);
    Q_EMIT picker->activated(0);
    QTRY_COMPARE(child<QTreeWidget>(window, QStringLiteral("ListView1"))->topLevelItemCount(), 3);
    QCOMPARE(stub.count(QStringLiteral("/")), 1);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
