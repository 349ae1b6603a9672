// Main window arrangement, start-up, return to idle and shutdown.
#include "shell/MainWindow.h"

#include "book/AddPage.h"
#include "book/AutoQuery.h"
#include "book/ListOperations.h"
#include "book/OperationsPage.h"
#include "book/ParcelPicker.h"
#include "book/ParcelSelection.h"
#include "book/ProgressGestures.h"
#include "book/SearchPage.h"
#include "book/StatusPanel.h"
#include "directory/DirectoryPage.h"
#include "notify/MailAlert.h"
#include "shell/ClockCalibration.h"
#include "shell/Page.h"
#include "shell/StartupCheck.h"
#include "shell/Toolbar.h"
#include "shell/WindowChrome.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/SettingsPage.h"
#include "store/SettingsStore.h"
#include "store/StoreError.h"
#include "tracking/AnomalyWatch.h"
#include "tracking/ChangeDetection.h"
#include "tracking/ProgressParse.h"
#include "tracking/TrackingQuery.h"
#include "tracking/WebClient.h"

#include "shell/Placed.h"
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>

#include <QLabel>
#include <QMovie>
#include <QStyleFactory>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Twips to pixels, at 15 twips per pixel.
constexpr int px(int twips) {
    return twips / 15;
}

} // namespace

MainWindow::MainWindow(const Platform &platform, QString programDir, QWidget *parent)
    : QWidget(parent)
    , m_book(programDir) {
    m_state.platform = platform;
    m_state.services = ServiceAddresses::fromEnvironment();
    m_state.programDir = std::move(programDir);
    m_state.web = new WebClient(this);
    arrange();
    arrangeFlows();
    arrangePages();
}

MainWindow::~MainWindow() = default;

void MainWindow::arrange() {
    setObjectName(QStringLiteral("kdform"));
    setWindowTitle(QStringLiteral("岚舟包裹通"));
    setFixedSize(770, 517);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);

    auto *settingsLink =
        placed<QLabel>(QStringLiteral("Label16_1"), QStringLiteral("设置"), {px(8760), px(90), 30, 16}, this);
    settingsLink->setToolTip(QStringLiteral("对程序进行相关设置，快捷键F9"));
    placed<QLabel>(QStringLiteral("Label16_0"), QStringLiteral("官方网站"), {px(9360), px(90), 56, 16}, this);

    m_state.statusPanel = new StatusPanel(this);
    m_state.statusPanel->setGeometry(px(6480), px(420), px(4770), px(750));

    arrangeToolbar();

    m_state.picker = new ParcelPicker(this);
    m_state.picker->setGeometry(px(360), px(1920) + 3, px(3975), 30);

    m_state.busy =
        placed<QLabel>(QStringLiteral("AniGIF1"), QString(), {px(4335) + 12, px(1920) + 1, 32, 32}, this);
    m_state.busy->setMovie(new QMovie(QStringLiteral(":/parcelbook/busy.gif"), QByteArray(), m_state.busy));
    m_state.busy->hide();

    auto *progressList = new QTreeWidget(this);
    m_state.progressList = progressList;
    progressList->setObjectName(QStringLiteral("ListView1"));
    progressList->setGeometry(px(360), px(3000), px(10815), px(3855));
    progressList->setRootIsDecorated(false);
    progressList->setUniformRowHeights(true);
    progressList->setHeaderLabels({QStringLiteral("Num"), QStringLiteral("时间"),
                                   QStringLiteral("物流进度 ( 双击列表可复制单条物流进度 )")});
    progressList->setColumnWidth(0, 60);
    progressList->setColumnWidth(1, 130);
    progressList->setColumnWidth(2, 500);
    progressList->setEnabled(false);

    arrangeStatusRow();

    const auto addTimer = [this](const QString &name, int interval) {
        auto *timer = new QTimer(this);
        timer->setObjectName(name);
        timer->setInterval(interval);
        return timer;
    };
    m_state.timer1 = addTimer(QStringLiteral("Timer1"), 100);
    m_state.timer3 = addTimer(QStringLiteral("Timer3"), 1000);
    m_state.timer4 = addTimer(QStringLiteral("Timer4"), 1000);
    m_state.timer5 = addTimer(QStringLiteral("Timer5"), 1000);
    m_state.timer6 = addTimer(QStringLiteral("Timer6"), 60000);
    m_state.timer7 = addTimer(QStringLiteral("Timer7"), 1000);
}

void MainWindow::arrangePages() {
    auto *addPage = new AddPage(
        m_state, *m_query, [this] { m_toolbar->openDirectoryFor(12); }, this);
    m_state.settingsPage = new SettingsPage([this](const QString &text) { m_state.setHint(text); }, this);
    auto *operationsPage = new OperationsPage(
        m_state, [this] { m_toolbar->openDirectoryFor(8); }, this);
    auto *searchPage = new SearchPage(m_state, this);
    auto *directoryPage = new DirectoryPage(m_state, this);
    directoryPage->setCompanyPickers(addPage->companyPicker(), operationsPage->companyPicker());
    m_directoryList = directoryPage->list();
    m_state.pages = {addPage, m_state.settingsPage, operationsPage, searchPage, directoryPage};
    for (Page *page : m_state.pages) {
        page->setPressBehaviour([this] { return m_state.settingsPage->dragOn(); },
                                [this] { return m_state.settingsPage->closeOnPressOn(); });
    }
    connect(m_state.settingsPage, &SettingsPage::promotionLinkClicked, this, [this] {
        m_state.platform.desktop->openUrl(m_state.services.site + QStringLiteral("/tui.html"));
    });
    auto *listOperations = new ListOperations(m_state, this);
    m_toolbar = new Toolbar(
        m_state, {addPage, operationsPage, searchPage, directoryPage, listOperations}, [this] { csh(); },
        this);
    new AutoQuery(m_state, *m_selection, this);
    new ProgressGestures(m_state, this);
    new ClockCalibration(m_state, findChild<QLabel *>(QStringLiteral("Label11_5")), this);
    m_chrome = new WindowChrome(this, m_state, [this] { shutdown(); });
}

void MainWindow::arrangeToolbar() {
    // Left to right, as the icons stand in the toolbar: element, caption, tooltip.
    const struct {
        int element;
        const char16_t *caption;
        const char16_t *tooltip;
        const char16_t *picture;
    } icons[] = {
        {1, u"单号操作", u"打开单号操作窗口，快捷键：F5", u"icon_operations"},
        {3, u"添加快递", u"打开快递添加窗口，快捷键：F4", u"icon_add"},
        {4, u"快递搜索", u"搜索当前数据库中的快递，快捷键：F7", u"icon_search"},
        {5, u"刷新列表", u"刷新当前快递列表，快捷键：F8", u"icon_refresh"},
        {2, u"清空列表", u"清空快递列表，请谨慎操作，快捷键：F6", u"icon_clear"},
        {6, u"快递列表", u"打开快递列表，快捷键：F12", u"icon_directory"},
        {7, u"导出数据", u"将当前快递数据导出到计算机中，快捷键：F10", u"icon_export"},
    };
    int left = 4560;
    for (const auto &icon : icons) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("Image2_%1").arg(icon.element));
        button->setGeometry(px(left), px(1680), 53, 53);
        button->setAutoRaise(true);
        button->setIconSize(QSize(53, 53));
        button->setIcon(QIcon(QStringLiteral(":/parcelbook/") + QString::fromUtf16(icon.picture) +
                              QStringLiteral(".png")));
        button->setStyleSheet(
            QStringLiteral("QToolButton { border: none; padding: 0; }"
                           "QToolButton:hover { background: #e6f1f7; border-radius: 6px; }"));
        button->setToolTip(QString::fromUtf16(icon.tooltip));
        button->setEnabled(false);
        m_state.toolbar[static_cast<std::size_t>(icon.element)] = button;

        auto *caption =
            placed<QLabel>(QStringLiteral("Label25_%1").arg(icon.element), QString::fromUtf16(icon.caption),
                           {px(left), px(2520), px(735), px(255)}, this);
        caption->setAlignment(Qt::AlignCenter);
        left += 960;
    }
}

void MainWindow::arrangeStatusRow() {
    const int top = px(7410) - 2;
    placed<QLabel>(QStringLiteral("Label11_0"), QStringLiteral("查询提示："), {px(120), top, px(900), 16},
                   this);
    // The hint line takes the free width up to the version label, so long messages are not cut.
    m_state.hintLine = placed<QLabel>(QStringLiteral("Label11_2"), QStringLiteral("程序检测更新中..."),
                                      {px(2040), top, px(6720) - px(2040) - 4, 16}, this);
    placed<QLabel>(QStringLiteral("Label11_3"), QStringLiteral("版本号"), {px(6720), top, px(900), 16}, this);
    placed<QLabel>(QStringLiteral("Label11_4"), QStringLiteral("岚舟出品"), {px(7680), top, px(1740), 16},
                   this);
    placed<QLabel>(QStringLiteral("Label11_5"), QStringLiteral("Time"), {px(9480), top, px(2055), 16}, this);
}

void MainWindow::arrangeFlows() {
    m_changes = new ChangeDetection(m_state, *new MailAlert(m_state, this), this);
    m_parse = new ProgressParse(m_state, *m_changes, this);
    m_query = new TrackingQuery(m_state, *m_parse, this);
    m_selection = new ParcelSelection(m_state, *m_query, this);
    m_watch = new AnomalyWatch(
        m_state, [this] { csh(); }, this);
    m_startupCheck = new StartupCheck(
        m_state, [this] { m_toolbar->activate(3); }, this);
    connect(m_state.picker, &ParcelPicker::selected, m_selection, &ParcelSelection::select);
}

bool MainWindow::start() {
    setWindowIcon(QIcon());
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
    }
    if (!main()) {
        return false;
    }
    m_parcels = std::make_unique<ParcelStore>(m_book.database());
    m_couriers = std::make_unique<CourierStore>(m_book.database());
    m_settings = std::make_unique<SettingsStore>(m_book.database());
    m_state.parcels = m_parcels.get();
    m_state.couriers = m_couriers.get();
    m_state.settings = m_settings.get();

    m_state.settingsPage->setting(*m_settings);
    try {
        m_state.picker->read(*m_parcels);
    } catch (const StoreError &error) {
        m_state.setHint(QStringLiteral("快递列表读取失败!错误原因") + error.description());
    }
    lockHeaders();
    m_state.settingsPage->fillTimePickers();
    findChild<QLabel *>(QStringLiteral("Label11_3"))
        ->setText(QStringLiteral("%1.%2.%3").arg(5).arg(0).arg(82));
    m_state.counters[counter::rememberedPickerIndex] = 0;
    return true;
}

bool MainWindow::main() {
    switch (m_book.open()) {
    case BookFile::OpenResult::Opened:
        return true;
    case BookFile::OpenResult::AlreadyRunning:
        m_state.inform(QStringLiteral("程序已运行!"));
        return false;
    case BookFile::OpenResult::Failed:
        m_state.inform(QStringLiteral("数据库链接出错!请到官网下载原版!\n \n岚舟包裹通官方网站：") +
                       m_state.services.site);
        m_state.platform.desktop->openUrl(m_state.services.site);
        return false;
    }
    return false;
}

void MainWindow::lockHeaders() {
    // Fixed sections can be neither dragged nor auto-sized by a double click on a divider.
    for (QTreeWidget *list : {m_state.progressList, m_directoryList}) {
        list->header()->setSectionResizeMode(QHeaderView::Fixed);
        list->header()->setStretchLastSection(false);
        list->header()->setSectionsMovable(false);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
}

void MainWindow::csh() {
    m_state.hidePages();
    m_state.timer1->stop();
    m_state.unlock();
    m_state.showBusy(false);
    m_state.progressList->setFocus();
    m_state.setHint(QStringLiteral("程序初始化完毕.."));
}

void MainWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // The timers enabled from the start begin to count when the window is first shown.
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_state.timer3->start();
        m_state.timer5->start();
    }
}

void MainWindow::closeEvent(QCloseEvent *event) {
    shutdown();
    event->accept();
}

void MainWindow::shutdown() {
    m_book.close();
    m_state.platform.desktop->quit();
}
