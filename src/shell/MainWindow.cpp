// Main window arrangement, composition, start-up, return to idle and shutdown.
#include "shell/MainWindow.h"

#include "Version.h"
#include "book/AddPage.h"
#include "book/AutoQuery.h"
#include "book/ListOperations.h"
#include "book/OperationsPage.h"
#include "book/ParcelBook.h"
#include "book/ParcelSelection.h"
#include "book/ProgressGestures.h"
#include "book/SearchPage.h"
#include "directory/DirectoryPage.h"
#include "net/WebClient.h"
#include "overview/OverviewPage.h"
#include "platform/DemoService.h"
#include "platform/InstanceChannel.h"
#include "settings/ServicesDialog.h"
#include "settings/SettingsPage.h"
#include "shell/BackgroundWatch.h"
#include "shell/ClockCalibration.h"
#include "shell/EstimateView.h"
#include "shell/RoadView.h"
#include "shell/StartupCheck.h"
#include "shell/Toolbar.h"
#include "shell/WindowChrome.h"
#include "store/BookFeed.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/StoreError.h"
#include "tracker/ParcelTracker.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/UserSettings.h"
#include "tracker/WatchPass.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/Placed.h"
#include "widgets/ProgressList.h"
#include "widgets/StatusPanel.h"
#include "widgets/ToolbarIcons.h"
#include "widgets/WindowLock.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QStyleFactory>
#include <QTimer>
#include <QTreeWidget>

namespace {

// Twips to pixels, at 15 twips per pixel.
constexpr int px(int twips) {
    return twips / 15;
}

} // namespace

MainWindow::MainWindow(const Platform &platform, const QString &programDir, QWidget *parent)
    : MainWindow(platform, programfolder::Places::portable(programDir), parent) {}

MainWindow::MainWindow(const Platform &platform, programfolder::Places places, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_services(ServiceAddresses::configured())
    , m_places(std::move(places))
    , m_book(m_places.book, platform.clock->now().date())
    , m_web(new WebClient(this))
    , m_demo(new DemoService(m_places.modules + QStringLiteral("/parcelbook-demo-service"), this))
    , m_instanceChannel(new InstanceChannel(this)) {
    connect(m_instanceChannel, &InstanceChannel::comeForwardAsked, this, [this] {
        showNormal();
        raise();
        activateWindow();
    });
    // Deriving the book's key takes longer than building the window, so both run at once, and the
    // picker's entries are read on the same worker: the window's thread only takes the filled list.
    m_book.openInBackground([this](Database &db) {
        try {
            m_firstEntries = ParcelStore(db).pickerEntries();
        } catch (const StoreError &) {
            // start() reads again on the window's thread, where a failure is said.
            m_firstEntries.reset();
        }
    });
    // The style is set before any control exists, so none is polished twice.
    // The 48-pixel picture: an icon reads its picture when it is made, and a 256-pixel one costs the
    // first paint a few milliseconds; the desktop takes its larger icons from the icon theme.
    setWindowIcon(QIcon(QStringLiteral(":/parcelbook/cn.lanzhou.parcelbook.png")));
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
    }
    arrange();
    // The frame is the window's own before it is first shown; the pages join it once they exist.
    m_chrome = new WindowChrome(this, {m_siteLink, m_settingsLink, m_makerLink}, *m_platform.desktop,
                                m_services, [this] { shutdown(); });
    m_feedback = std::make_unique<Feedback>(*m_hintLine, *m_platform.dialogs);
    m_lock = std::make_unique<WindowLock>(*m_picker, *m_list, *m_icons, *m_busy);
    // A demo in use that ends by itself leaves the services pointing nowhere: the user is told.
    connect(m_demo, &DemoService::failed, this, [this](const QString &reason) {
        if (m_settings != nullptr && m_settings->demoServicesInUse()) {
            m_feedback->hint(reason + QStringLiteral(",请在“查询服务”中重新试用"));
        }
    });
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

    m_settingsLink =
        placed<QLabel>(QStringLiteral("Label16_1"), QStringLiteral("设置"), {px(8760), px(90), 30, 16}, this);
    m_settingsLink->setToolTip(QStringLiteral("对程序进行相关设置，快捷键F9"));
    m_overviewLink = placed<QLabel>(QStringLiteral("Label16_2"), QStringLiteral("全部快递"),
                                    {px(8760) - 60, px(90), 56, 16}, this);
    m_overviewLink->setToolTip(QStringLiteral("查看全部快递的最新进展，快捷键F2"));
    m_overviewLink->setAccessibleName(QStringLiteral("全部快递"));
    m_siteLink = placed<QLabel>(QStringLiteral("Label16_0"), QStringLiteral("官方网站"),
                                {px(9360), px(90), 56, 16}, this);

    m_status = new StatusPanel(this);
    // Four rows: the last holds the pickup code or the day the parcel is expected.
    m_status->setGeometry(px(6480), px(420), px(4770), px(990));

    m_icons = new ToolbarIcons(this);

    m_picker = new ParcelPicker(this);
    m_picker->setGeometry(px(360), px(1920) + 3, px(3975), 30);

    m_busy =
        placed<QLabel>(QStringLiteral("AniGIF1"), QString(), {px(4335) + 12, px(1920) + 1, 32, 32}, this);
    m_busy->setMovie(new QMovie(QStringLiteral(":/parcelbook/busy.gif"), QByteArray(), m_busy));
    m_busy->hide();

    m_list = new ProgressList(this);
    m_list->setGeometry(px(360), px(3000), px(10815), px(3855));

    arrangeStatusRow();
}

void MainWindow::arrangeStatusRow() {
    const int top = px(7410) - 2;
    placed<QLabel>(QStringLiteral("Label11_0"), QStringLiteral("查询提示："), {px(120), top, px(900), 16},
                   this);
    // The hint line takes the free width up to the version label, so long messages are not cut.
    m_hintLine = placed<QLabel>(QStringLiteral("Label11_2"), QStringLiteral("程序检测更新中..."),
                                {px(2040), top, px(6720) - px(2040) - 4, 16}, this);
    m_versionLabel = placed<QLabel>(QStringLiteral("Label11_3"), QStringLiteral("版本号"),
                                    {px(6720), top, px(900), 16}, this);
    m_makerLink = placed<QLabel>(QStringLiteral("Label11_4"), QStringLiteral("岚舟出品"),
                                 {px(7680), top, px(1740), 16}, this);
    m_clockLabel = placed<QLabel>(QStringLiteral("Label11_5"), QStringLiteral("Time"),
                                  {px(9480), top, px(2055), 16}, this);
}

void MainWindow::compose() {
    const Feedback &feedback = *m_feedback;
    WindowLock &lock = *m_lock;
    // Every view of the book follows what its statements say they changed.
    m_book.database().setFeed(new BookFeed(this));
    m_parcels = std::make_unique<ParcelStore>(m_book.database());
    m_couriers = std::make_unique<CourierStore>(m_book.database());
    m_progress = std::make_unique<ProgressStore>(m_book.database());
    m_settings = new UserSettings(m_book.database(), this);
    try {
        m_settings->load();
    } catch (const StoreError &error) {
        m_feedback->hint(error.failureText(QStringLiteral("设置读取")));
    }
    const UserSettings &switches = *m_settings;

    auto *settingsPage = new SettingsPage([this](const QString &text) { m_feedback->hint(text); }, this);

    m_alerts = new ProgressAlerts({m_platform.sound, m_places.chimeFile(), *m_platform.desktop,
                                   *m_platform.mailer, *m_platform.clock, switches},
                                  this);
    // The mail's notice outlasts the hints of the query that raised it, until the mail has gone.
    connect(m_alerts, &ProgressAlerts::mailNotice, this,
            [this](const QString &notice) { m_feedback->standNotice(notice); });
    connect(m_alerts, &ProgressAlerts::allSent, this, [this] { m_feedback->endNotice(); });
    m_tracker = new ParcelTracker({*m_web, m_services.tracking, *m_parcels, *m_couriers, *m_platform.clock,
                                   *m_platform.dialogs, *m_alerts, *m_progress},
                                  this);
    m_parcelBook = std::make_unique<ParcelBook>(*m_parcels, *m_couriers, *m_picker, *m_tracker, feedback);
    ParcelBook &book = *m_parcelBook;
    // An activated notification brings the window up with its parcel picked as the user would pick it,
    // the whole book listed again when a search shows only some; a query holding the window keeps it.
    m_platform.desktop->setActivationHandler([window = QPointer<MainWindow>(this)](qint64 parcelId) {
        if (!window) {
            return;
        }
        window->showNormal();
        window->raise();
        window->activateWindow();
        window->m_parcelBook->pickFromView(ParcelId(parcelId));
    });

    auto *addPage = new AddPage(
        {book, feedback, switches, *m_web, m_services.recognition},
        [this] { m_toolbar->openDirectoryFor(CompanyPicker::Add); }, this);
    auto *operationsPage = new OperationsPage(
        book, feedback, [this] { m_toolbar->openDirectoryFor(CompanyPicker::Operations); }, this);
    auto *searchPage = new SearchPage(book, feedback, this);
    auto *directoryPage = new DirectoryPage(*m_couriers, feedback, this);
    auto *overviewPage =
        new OverviewPage({*m_progress, *m_settings, book, feedback, *m_platform.clock}, this);
    const ToolbarPages toolbarPages{addPage,    settingsPage,  operationsPage,
                                    searchPage, directoryPage, overviewPage};
    m_pages = toolbarPages.pageSet();
    for (Page *page : m_pages.all()) {
        page->setPressBehaviour([&switches] { return switches.dragOn(); },
                                [&switches] { return switches.closeOnPressOn(); });
    }
    connect(settingsPage, &SettingsPage::servicesClicked, this, &MainWindow::editServices);
    connect(settingsPage, &SettingsPage::promotionLinkClicked, this,
            [this] { m_platform.desktop->openUrl(m_services.site + QStringLiteral("/tui.html")); });

    new RoadView(
        {book, m_pages, lock, *m_list, *m_status, feedback, switches}, [this] { returnToIdle(); }, this);
    new EstimateView({*m_tracker, *m_progress, *m_platform.clock, *m_status, m_book.database().feed()}, this);
    m_selection = std::make_unique<ParcelSelection>(m_pages, book);
    connect(m_picker, &ParcelPicker::selected, this, [this] { m_selection->select(); });
    m_listOperations =
        std::make_unique<ListOperations>(book, m_book, *m_list, *m_status, feedback, switches, m_places.book);
    m_toolbar = new Toolbar(
        {*m_icons, toolbarPages, *m_listOperations, feedback, *m_picker, m_settingsLink, m_overviewLink},
        [this] { returnToIdle(); }, this);
    m_startupCheck = new StartupCheck(
        {*m_web, m_services, feedback, *m_platform.desktop, lock, *m_picker, *m_list, *m_progress},
        [this] { m_toolbar->activate(ToolbarElement::Add); }, this);
    connect(m_startupCheck, &StartupCheck::announcementRead, m_alerts, &ProgressAlerts::setAnnouncement);

    const QueryPanels panels = settingsPage->panels();
    new AutoQuery({panels, lock, *m_picker, *m_tracker, feedback}, this);
    new ProgressGestures(*m_list, feedback, switches, this);
    m_clock = new ClockCalibration({*m_web, m_services.probe, m_services.time, *m_platform.clock,
                                    *m_platform.dialogs, m_clockLabel, panels.calibrate},
                                   this);
    m_watch = new BackgroundWatch(new WatchPass({*m_web, m_services.tracking, *m_parcels, *m_couriers,
                                                 *m_progress, *m_platform.clock, *m_alerts},
                                                nullptr),
                                  this);
    connect(m_settings, &UserSettings::changed, this, [this](SettingsPart part) {
        if (part == SettingsPart::Watch) {
            m_watch->schedule(m_settings->watchOn(), m_settings->watchMinutes());
        } else if (part == SettingsPart::Services) {
            // Every flow holds the window's addresses, so the next request of each goes to the new ones.
            m_services = m_settings->services().addresses;
            setWindowTitle(m_settings->demoServicesInUse() ? QStringLiteral("岚舟包裹通 — 演示服务")
                                                           : QStringLiteral("岚舟包裹通"));
        }
    });
    connect(m_watch, &BackgroundWatch::bookFailed, this,
            [this](const QString &reason) { m_feedback->hint(reason); });
    m_chrome->attachPages({directoryPage->quickPicks(), directoryPage->quickPickStrip(), m_pages.all()});
    lockHeaders(directoryPage->list());
    settingsPage->showSettings(*m_settings);
    settingsPage->fillTimePickers();
}

bool MainWindow::claim() {
    if (!m_claimed) {
        const std::optional<Outcome<>> locked = m_book.lockResult();
        if (!locked) {
            m_claimed = true;
        } else if (!*locked && m_book.bookMissing()) {
            m_claimed = recoverMissingBook(*locked);
        } else {
            m_claimed = opened(*locked);
        }
    }
    return *m_claimed;
}

bool MainWindow::recoverMissingBook(const Outcome<> &locked) {
    if (!m_book.restoreOffer().isEmpty() && m_feedback->ask(m_book.restoreOffer())) {
        return restoreBook(m_book.goodCopy());
    }
    // Only a book made from the delivered one can be new; its old copies are set aside, never
    // replaced by the new book's.
    if (m_places.bookFromTemplate && programfolder::holdsCopiesOfTheBook(m_places.book) &&
        m_feedback->askBeforeDestroying(
            QStringLiteral("快递列表 %1 不见了。\n \n是否建立一个新的空快递列表?原有的备份会移到 db 文件夹里"
                           "以 previous- 开头的文件夹中保留。")
                .arg(m_book.databasePath()))) {
        if (const Outcome<> started = programfolder::startNewBook(m_places, m_platform.clock->now());
            !started) {
            m_feedback->inform(QStringLiteral("无法建立新的快递列表:") + started.failure().reason);
            return false;
        }
        return opened(m_book.open());
    }
    return opened(locked);
}

bool MainWindow::restoreBook(const QString &copy) {
    if (const Outcome<> restored = m_book.restoreFrom(copy); !restored) {
        m_feedback->inform(restored.failure().reason);
        return false;
    }
    m_feedback->inform(QStringLiteral("已用备份 %1 恢复快递列表。").arg(copy) +
                       (m_book.keptAside().isEmpty()
                            ? QString()
                            : QStringLiteral("\n损坏的文件改名为 %1,留在它旁边。").arg(m_book.keptAside())));
    return true;
}

bool MainWindow::start() {
    if (!claim() || !openBook()) {
        return false;
    }
    compose();
    if (m_firstEntries) {
        m_picker->showRead(std::move(*m_firstEntries));
        m_firstEntries.reset();
    } else {
        m_parcelBook->reloadPicker();
    }
    m_versionLabel->setText(QStringLiteral(PARCELBOOK_VERSION));
    m_startupCheck->bookRead();
    startTimersOnce();
    // The copies are checked and kept once the window is in use, so their reading never delays it.
    keepBookCopies();
    return true;
}

void MainWindow::keepBookCopies() {
    // The report comes back through an object of the window's thread, which outlives the worker:
    // the book, a member, waits for it before the window's children go.
    auto *relay = new QObject(this);
    m_book.keepCopiesInBackground([this, relay](const CopyReport &report) {
        QMetaObject::invokeMethod(
            relay,
            [this, report] {
                for (const QString &said : report.warnings) {
                    m_feedback->hint(said);
                }
                if (!report.damage.isEmpty()) {
                    offerRestore(report);
                }
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::offerRestore(const CopyReport &report) {
    m_feedback->hint(QStringLiteral("快递列表已损坏,没有备份它"));
    if (report.restoreOffer.isEmpty()) {
        m_feedback->inform(report.damage);
        return;
    }
    if (!m_feedback->ask(report.restoreOffer)) {
        m_feedback->hint(QStringLiteral("快递列表已损坏,程序不再写入它"));
        return;
    }
    // What the window showed came from the damaged book: it starts again from the restored one.
    m_tracker->abandonQuery();
    if (restoreBook(report.goodCopy)) {
        returnToIdle();
        m_parcelBook->reloadPicker();
        m_feedback->hint(QStringLiteral("快递列表已从备份恢复.."));
    }
}

bool MainWindow::openBook() {
    const Outcome<> result = m_book.open();
    // Found damaged at open (a truncated book): the same offer as when the check finds it later.
    if (!result && !m_book.restoreOffer().isEmpty() && m_feedback->ask(m_book.restoreOffer())) {
        return restoreBook(m_book.goodCopy());
    }
    return opened(result);
}

bool MainWindow::opened(const Outcome<> &result) {
    if (result) {
        m_instanceChannel->listenFor(m_book.databasePath());
        return true;
    }
    const Failure &failure = result.failure();
    if (failure.kind == Failure::Kind::HeldElsewhere) {
        InstanceChannel::askToComeForward(m_book.databasePath());
        m_feedback->inform(QStringLiteral("程序已运行!"));
        return false;
    }
    // A good copy of the book is the way back, not the maker's site.
    if (!m_book.goodCopy().isEmpty()) {
        m_feedback->inform(QStringLiteral("快递列表 %1:%2").arg(m_book.databasePath(), failure.reason));
        return false;
    }
    // A full or failing disk is no reason to fetch the program again: only the cause is said.
    if (failure.kind != Failure::Kind::Damaged) {
        m_feedback->inform(
            QStringLiteral("数据库链接出错!\n快递列表 %1:%2").arg(m_book.databasePath(), failure.reason));
        return false;
    }
    // The cause (文件已损坏 ...) follows the first sentence, before the way to the site, which is
    // named and opened only when one is set.
    if (m_services.site.isEmpty()) {
        m_feedback->inform(QStringLiteral("数据库链接出错!请到官网下载原版!\n快递列表 %1:%2")
                               .arg(m_book.databasePath(), failure.reason));
        return false;
    }
    m_feedback->inform(
        QStringLiteral("数据库链接出错!请到官网下载原版!\n快递列表 %1:%2\n \n岚舟包裹通官方网站：")
            .arg(m_book.databasePath(), failure.reason) +
        m_services.site);
    m_platform.desktop->openUrl(m_services.site);
    return false;
}

void MainWindow::editServices() {
    auto *dialog = new ServicesDialog(*m_web, *m_demo, servicesfile::location(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ServicesDialog::saved, this, [this] {
        m_settings->reloadServices();
        // The file's services replace the demo's, so it is no longer needed.
        m_demo->stop();
        m_feedback->hint(m_services.tracking.isSet() ? QStringLiteral("查询服务已保存并生效..")
                                                     : servicesfile::trackingMissingText());
    });
    connect(dialog, &ServicesDialog::demoChosen, this, [this](const QString &address) {
        m_settings->useDemoServices(address);
        m_feedback->hint(
            QStringLiteral("正在使用演示服务(仅本次运行,关闭窗口即停止),演示单号见“查询服务”.."));
    });
    dialog->open();
}

void MainWindow::lockHeaders(QTreeWidget *directoryList) {
    // Fixed sections can be neither dragged nor auto-sized by a double click on a divider.
    for (QTreeWidget *list : {static_cast<QTreeWidget *>(m_list), directoryList}) {
        list->header()->setSectionResizeMode(QHeaderView::Fixed);
        list->header()->setStretchLastSection(false);
        list->header()->setSectionsMovable(false);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
}

void MainWindow::returnToIdle() {
    m_pages.hideAll();
    m_lock->release();
    m_lock->showBusy(false);
    m_list->setFocus();
    m_feedback->hint(QStringLiteral("程序初始化完毕.."));
    // The query the window gives up on ends here: its connection is freed and its answer dropped.
    m_tracker->abandonQuery();
}

void MainWindow::showThenStart() {
    m_startAfterFirstFrame = true;
    show();
}

void MainWindow::paintEvent(QPaintEvent *event) {
    QWidget::paintEvent(event);
    if (m_startAfterFirstFrame) {
        m_startAfterFirstFrame = false;
        QTimer::singleShot(0, this, [this] {
            if (!start()) {
                m_platform.desktop->quit();
            }
        });
    }
}

void MainWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    startTimersOnce();
}

void MainWindow::startTimersOnce() {
    // The timers enabled from the start begin to count once the window is shown and its flows exist,
    // whichever comes last.
    if (!m_timersStarted && m_startupCheck && isVisible()) {
        m_timersStarted = true;
        m_startupCheck->start();
        m_clock->start();
        m_watch->schedule(m_settings->watchOn(), m_settings->watchMinutes());
    }
}

void MainWindow::closeEvent(QCloseEvent *event) {
    shutdown();
    event->accept();
}

void MainWindow::shutdown() {
    m_demo->stop();
    if (m_alerts) {
        // The pages go first, so the settings they hold are stored while the book is open; a mail
        // still being sent is waited for, so its progress is not left unmailed.
        m_pages.hideAll();
        m_alerts->waitForMailInFlight();
    }
    m_book.close();
    m_platform.desktop->quit();
}
