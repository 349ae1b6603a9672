// The main window: the pages, flows and timers wired over its controls and the book, start-up, return
// to idle and shutdown.
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
#include "overview/OverviewPage.h"
#include "platform/DemoService.h"
#include "platform/InstanceChannel.h"
#include "settings/ServicesDialog.h"
#include "settings/SettingsPage.h"
#include "shell/BackgroundWatch.h"
#include "shell/BookOpening.h"
#include "shell/ClockCalibration.h"
#include "shell/EstimateView.h"
#include "shell/RoadView.h"
#include "shell/StartupCheck.h"
#include "shell/Toolbar.h"
#include "shell/WindowChrome.h"
#include "shell/WindowLayout.h"
#include "store/BookFeed.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/SettingsStore.h"
#include "tracker/ParcelTracker.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/UserSettings.h"
#include "tracker/WatchPass.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/Pictures.h"
#include "widgets/ProgressList.h"
#include "widgets/StatusPanel.h"
#include "widgets/ToolbarIcons.h"
#include "widgets/WindowLock.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QStyleFactory>
#include <QTimer>
#include <QTreeWidget>

MainWindow::MainWindow(const Platform &platform, const QString &programDir, QWidget *parent)
    : MainWindow(platform, programfolder::Places::portable(programDir), parent) {}

MainWindow::MainWindow(const Platform &platform, programfolder::Places places, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_services(ServiceAddresses::configured())
    , m_places(std::move(places))
    , m_book(m_places.book, platform.clock->now().date())
    , m_web(platform.web)
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
        // Should the read fail, start() reads again on the window's thread, where a failure is said.
        if (Outcome<PickerEntries> entries = ParcelStore(db).pickerEntries()) {
            m_firstEntries = std::move(*entries);
        }
    });
    // The style is set before any control exists, so none is polished twice.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
    }
    m_controls = arrangeWindow(*this);
    // The frame is the window's own before it is first shown; the pages join it once they exist.
    m_chrome = new WindowChrome(this, {m_controls.siteLink, m_controls.settingsLink, m_controls.makerLink},
                                *m_platform.desktop, m_services, [this] { shutdown(); });
    // The 48-pixel window icon: the desktop takes its larger icons from the icon theme.
    setWindowIcon(pictureIcon(QStringLiteral("cn.lanzhou.parcelbook")));
    m_feedback = std::make_unique<Feedback>(*m_controls.hintLine, *m_platform.dialogs);
    m_opening = std::make_unique<BookOpening>(BookOpening::Collaborators{
        m_book, m_places, *m_feedback, m_platform, m_services, *m_instanceChannel});
    m_lock = std::make_unique<WindowLock>(*m_controls.picker, *m_controls.list, *m_controls.icons,
                                          *m_controls.busy);
    // A demo in use that ends by itself leaves the services pointing nowhere: the user is told.
    connect(m_demo, &DemoService::failed, this, [this](const Failure &failure) {
        if (m_settings != nullptr && m_settings->demoServicesInUse()) {
            m_feedback->hint(failure.reason + QStringLiteral(",请在“查询服务”中重新试用"));
        }
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::compose() {
    const Feedback &feedback = *m_feedback;
    WindowLock &lock = *m_lock;
    // Every view of the book follows what its statements say they changed.
    m_book.database().setFeed(new BookFeed(this));
    m_parcels = std::make_unique<ParcelStore>(m_book.database());
    m_couriers = std::make_unique<CourierStore>(m_book.database());
    m_progress = std::make_unique<ProgressStore>(m_book.database());
    m_settings = new UserSettings(m_book.database(), this);
    if (const Outcome<> loaded = m_settings->load(); !loaded) {
        m_feedback->hint(loaded.failure().said(QStringLiteral("设置读取")));
    }
    const UserSettings &switches = *m_settings;

    // A stored address the rule refuses gets no mail; said at start, the user learns why.
    if (const Outcome<> accepted = mailAddressAccepted(m_settings->address());
        m_settings->mailOn() && !accepted) {
        m_feedback->hint(accepted.failure().reason + QStringLiteral(",收不到邮件通知(请在设置页改正)"));
    }

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
    m_parcelBook =
        std::make_unique<ParcelBook>(*m_parcels, *m_couriers, *m_controls.picker, *m_tracker, feedback);
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
        static_cast<void>(window->m_parcelBook->pickFromView(ParcelId(parcelId)));
    });

    // The pages are built when one is first opened; see pages().
    new RoadView(
        {book, m_pages, lock, *m_controls.list, *m_controls.status, feedback, switches},
        [this] { returnToIdle(); }, this);
    new EstimateView(
        {*m_tracker, *m_progress, *m_platform.clock, *m_controls.status, m_book.database().feed()}, this);
    m_selection = std::make_unique<ParcelSelection>(m_pages, book);
    connect(m_controls.picker, &ParcelPicker::selected, this, [this] { m_selection->select(); });
    m_listOperations = std::make_unique<ListOperations>(book, m_book, *m_controls.list, *m_controls.status,
                                                        feedback, switches, m_places.book);
    m_toolbar = new Toolbar(
        {*m_controls.icons, m_pages, [this]() -> const ToolbarPages & { return pages(); }, *m_listOperations,
         feedback, *m_controls.picker, m_controls.settingsLink, m_controls.overviewLink},
        [this] { returnToIdle(); }, this);
    m_startupCheck = new StartupCheck(
        {*m_web, m_services, feedback, *m_platform.desktop, lock, *m_controls.picker, *m_controls.list,
         *m_progress},
        [this] { m_toolbar->activate(ToolbarElement::Add); }, this);
    connect(m_startupCheck, &StartupCheck::announcementRead, m_alerts, &ProgressAlerts::setAnnouncement);

    new ProgressGestures(*m_controls.list, feedback, switches, this);
    m_clock = new ClockCalibration({*m_web, m_services.probe, m_services.time, *m_platform.clock,
                                    *m_platform.dialogs, m_controls.clockLabel},
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
            [this](const Failure &failure) { m_feedback->hint(failure.reason); });
    lockHeaders(*m_controls.list);
}

void MainWindow::givePressBehaviour(Page &page) const {
    const UserSettings *switches = m_settings;
    page.setPressBehaviour([switches] { return switches->dragOn(); },
                           [switches] { return switches->closeOnPressOn(); });
}

const ToolbarPages &MainWindow::pages() {
    if (m_toolbarPages.add) {
        return m_toolbarPages;
    }
    // The six pages take longer to build than the rest of the window: they wait until the user first
    // opens one, then come all at once. The loop and timed queries can only be started on the settings
    // page, so their flow comes with it.
    const Feedback &feedback = *m_feedback;
    ParcelBook &book = *m_parcelBook;
    auto *settingsPage = new SettingsPage([this](const QString &text) { m_feedback->hint(text); }, this);
    m_toolbarPages.settings = settingsPage;
    connect(settingsPage, &SettingsPage::servicesClicked, this, &MainWindow::editServices);
    connect(settingsPage, &SettingsPage::promotionLinkClicked, this,
            [this] { m_platform.desktop->openUrl(m_services.site + QStringLiteral("/tui.html")); });
    settingsPage->showSettings(*m_settings);
    settingsPage->fillTimePickers();
    const QueryPanels panels = settingsPage->panels();
    new AutoQuery({panels, *m_lock, *m_controls.picker, *m_tracker, feedback}, this);
    m_clock->takeButton(panels.calibrate);
    m_toolbarPages.add = new AddPage(
        {book, feedback, *m_settings, *m_web, m_services.recognition},
        [this] { m_toolbar->openDirectoryFor(CompanyPicker::Add); }, this);
    m_toolbarPages.operations = new OperationsPage(
        book, feedback, [this] { m_toolbar->openDirectoryFor(CompanyPicker::Operations); }, this);
    m_toolbarPages.search = new SearchPage(book, feedback, this);
    DirectoryPage *directory = new DirectoryPage(*m_couriers, feedback, this);
    m_toolbarPages.directory = directory;
    m_toolbarPages.overview =
        new OverviewPage({*m_progress, *m_settings, book, feedback, *m_platform.clock}, this);
    m_pages = m_toolbarPages.pageSet();
    for (Page *page : m_pages.all()) {
        givePressBehaviour(*page);
    }
    connect(directory, &DirectoryPage::companyChosen, m_toolbar, &Toolbar::companyChosen);
    m_chrome->attachPages({directory->quickPicks(), directory->quickPickStrip(), m_pages.all()});
    lockHeaders(*directory->list());
    return m_toolbarPages;
}

bool MainWindow::claim() {
    return m_opening->claim();
}

bool MainWindow::start() {
    if (!claim() || !m_opening->open()) {
        return false;
    }
    compose();
    if (m_firstEntries) {
        m_controls.picker->showRead(std::move(*m_firstEntries));
        m_firstEntries.reset();
    } else {
        static_cast<void>(m_parcelBook->reloadPicker());
    }
    m_controls.versionLabel->setText(QStringLiteral(PARCELBOOK_VERSION));
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
    if (m_opening->restoreBook(report.goodCopy)) {
        returnToIdle();
        static_cast<void>(m_parcelBook->reloadPicker());
        m_feedback->hint(QStringLiteral("快递列表已从备份恢复.."));
    }
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

void MainWindow::returnToIdle() {
    m_pages.hideAll();
    m_lock->release();
    m_lock->showBusy(false);
    m_controls.list->setFocus();
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
