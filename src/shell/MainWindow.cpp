// Main window arrangement, start-up, return to idle and shutdown.
#include "shell/MainWindow.h"

#include "book/ParcelPicker.h"
#include "book/StatusPanel.h"
#include "directory/DirectoryPage.h"
#include "shell/Page.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/SettingsPage.h"
#include "store/SettingsStore.h"
#include "store/StoreError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QStyleFactory>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QString messageTitle = QStringLiteral("岚舟系列软件");

// Twips to pixels, at 15 twips per pixel.
constexpr int px(int twips) {
    return twips / 15;
}

QLabel *addLabel(const QString &objectName, const QString &text, QRect geometry, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setGeometry(geometry);
    return label;
}

} // namespace

MainWindow::MainWindow(const Platform &platform, QString programDir, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_programDir(std::move(programDir))
    , m_services(ServiceAddresses::fromEnvironment())
    , m_book(m_programDir) {
    arrange();
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
        addLabel(QStringLiteral("Label16_1"), QStringLiteral("设置"), {px(8760), px(90), 30, 16}, this);
    settingsLink->setToolTip(QStringLiteral("对程序进行相关设置，快捷键F9"));
    addLabel(QStringLiteral("Label16_0"), QStringLiteral("官方网站"), {px(9360), px(90), 56, 16}, this);

    m_statusPanel = new StatusPanel(this);
    m_statusPanel->setGeometry(px(6480), px(420), px(4770), px(750));

    arrangeToolbar();

    m_picker = new ParcelPicker(this);
    m_picker->setGeometry(px(360), px(1920) + 3, px(3975), 30);

    m_busy =
        addLabel(QStringLiteral("AniGIF1"), QString(), {px(360) + px(3975) + 12, px(1920) + 2, 32, 32}, this);
    m_busy->hide();

    m_progressList = new QTreeWidget(this);
    m_progressList->setObjectName(QStringLiteral("ListView1"));
    m_progressList->setGeometry(px(360), px(3000), px(10815), px(3855));
    m_progressList->setRootIsDecorated(false);
    m_progressList->setUniformRowHeights(true);
    m_progressList->setHeaderLabels({QStringLiteral("Num"), QStringLiteral("时间"),
                                     QStringLiteral("物流进度 ( 双击列表可复制单条物流进度 )")});
    m_progressList->setColumnWidth(0, 60);
    m_progressList->setColumnWidth(1, 130);
    m_progressList->setColumnWidth(2, 500);
    m_progressList->setEnabled(false);

    arrangeStatusRow();

    m_pages[0] = new Page(0, QStringLiteral("添加新快递"), QSize(5055, 5175), 180, this);
    m_settingsPage = new SettingsPage([this](const QString &text) { setHint(text); }, this);
    m_pages[1] = m_settingsPage;
    m_pages[2] = new Page(2, QStringLiteral("单号操作"), QSize(5295, 4095), 180, this);
    m_pages[3] = new Page(3, QStringLiteral("搜索快递"), QSize(4455, 4335), 180, this);
    auto *directory = new DirectoryPage(this);
    m_directoryList = directory->list();
    m_pages[4] = directory;
    connect(m_settingsPage, &SettingsPage::promotionLinkClicked, this,
            [this] { m_platform.desktop->openUrl(m_services.site + QStringLiteral("/tui.html")); });

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
}

void MainWindow::arrangeToolbar() {
    // Left to right, as the icons stand in the toolbar: element, caption, tooltip.
    const struct {
        int element;
        const char16_t *caption;
        const char16_t *tooltip;
    } icons[] = {
        {1, u"单号操作", u"打开单号操作窗口，快捷键：F5"},
        {3, u"添加快递", u"打开快递添加窗口，快捷键：F4"},
        {4, u"快递搜索", u"搜索当前数据库中的快递，快捷键：F7"},
        {5, u"刷新列表", u"刷新当前快递列表，快捷键：F8"},
        {2, u"清空列表", u"清空快递列表，请谨慎操作，快捷键：F6"},
        {6, u"快递列表", u"打开快递列表，快捷键：F12"},
        {7, u"导出数据", u"将当前快递数据导出到计算机中，快捷键：F10"},
    };
    int left = 4560;
    for (const auto &icon : icons) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("Image2_%1").arg(icon.element));
        button->setGeometry(px(left), px(1680), 53, 53);
        button->setAutoRaise(true);
        button->setToolTip(QString::fromUtf16(icon.tooltip));
        button->setEnabled(false);
        m_toolbar[static_cast<std::size_t>(icon.element)] = button;

        auto *caption =
            addLabel(QStringLiteral("Label25_%1").arg(icon.element), QString::fromUtf16(icon.caption),
                     {px(left), px(2520), px(735), px(255)}, this);
        caption->setAlignment(Qt::AlignCenter);
        left += 960;
    }
}

void MainWindow::arrangeStatusRow() {
    const int top = px(7410) - 2;
    addLabel(QStringLiteral("Label11_0"), QStringLiteral("查询提示："), {px(120), top, px(900), 16}, this);
    // The hint line takes the free width up to the version label, so long messages are not cut.
    m_hintLine = addLabel(QStringLiteral("Label11_2"), QStringLiteral("程序检测更新中..."),
                          {px(2040), top, px(6720) - px(2040) - 4, 16}, this);
    m_versionLabel =
        addLabel(QStringLiteral("Label11_3"), QStringLiteral("版本号"), {px(6720), top, px(900), 16}, this);
    addLabel(QStringLiteral("Label11_4"), QStringLiteral("岚舟出品"), {px(7680), top, px(1740), 16}, this);
    m_clockLabel =
        addLabel(QStringLiteral("Label11_5"), QStringLiteral("Time"), {px(9480), top, px(2055), 16}, this);
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

    m_settingsPage->setting(*m_settings);
    try {
        m_picker->read(*m_parcels);
    } catch (const StoreError &error) {
        setHint(QStringLiteral("快递列表读取失败!错误原因") + error.description());
    }
    lockHeaders();
    m_settingsPage->fillTimePickers();
    m_versionLabel->setText(QStringLiteral("%1.%2.%3").arg(5).arg(0).arg(82));
    m_counters[counter::rememberedPickerIndex] = 0;
    return true;
}

bool MainWindow::main() {
    switch (m_book.open()) {
    case BookFile::OpenResult::Opened:
        return true;
    case BookFile::OpenResult::AlreadyRunning:
        m_platform.dialogs->inform(messageTitle, QStringLiteral("程序已运行!"), MessageIcon::Information);
        return false;
    case BookFile::OpenResult::Failed:
        m_platform.dialogs->inform(
            messageTitle,
            QStringLiteral("数据库链接出错!请到官网下载原版!\n \n岚舟包裹通官方网站：") + m_services.site,
            MessageIcon::Information);
        m_platform.desktop->openUrl(m_services.site);
        return false;
    }
    return false;
}

void MainWindow::lockHeaders() {
    // Fixed sections can be neither dragged nor auto-sized by a double click on a divider.
    for (QTreeWidget *list : {m_progressList, m_directoryList}) {
        list->header()->setSectionResizeMode(QHeaderView::Fixed);
        list->header()->setStretchLastSection(false);
        list->header()->setSectionsMovable(false);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
}

void MainWindow::csh() {
    for (Page *page : m_pages) {
        page->hide();
    }
    m_timer1->stop();
    m_picker->setEnabled(true);
    m_progressList->setEnabled(true);
    for (std::size_t element = 1; element <= 7; ++element) {
        m_toolbar[element]->setEnabled(true);
    }
    m_busy->hide();
    m_progressList->setFocus();
    setHint(QStringLiteral("程序初始化完毕.."));
}

void MainWindow::setHint(const QString &text) {
    m_hintLine->setText(text);
}

void MainWindow::closeEvent(QCloseEvent *event) {
    shutdown();
    event->accept();
}

void MainWindow::shutdown() {
    m_book.close();
    m_platform.desktop->quit();
}
