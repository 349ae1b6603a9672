// The main window: the pages, flows and timers wired over its fixed controls and the book, and its life
// from start-up to shutdown.
#pragma once

#include "net/ServiceAddresses.h"
#include "platform/Platform.h"
#include "shell/Toolbar.h"
#include "shell/WindowLayout.h"
#include "store/BookFile.h"
#include "store/ParcelStore.h"
#include "store/ProgramFolder.h"
#include "widgets/PageSet.h"

#include <QWidget>

#include <memory>
#include <optional>

class BackgroundWatch;
class BookOpening;
class ClockCalibration;
class CourierStore;
class DemoService;
class Feedback;
class InstanceChannel;
class ListOperations;
class ParcelBook;
class ParcelSelection;
class ParcelStore;
class ParcelTracker;
class ProgressAlerts;
class SettingsPage;
class ProgressStore;
class UserSettings;
class StartupCheck;
class WindowChrome;
class WindowLock;
class WebClient;

class MainWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    MainWindow(const Platform &platform, programfolder::Places places, QWidget *parent = nullptr);
    // A portable program folder holding the book and the chime.
    MainWindow(const Platform &platform, const QString &programDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Whether the book is this copy's: false when another copy holds it or it is not there (the
    // user has been told). Known at once, so the window can be shown while the book is opened.
    bool claim();
    // The load event: guards and opens the database, builds the pages and flows on it, loads the
    // settings and the picker. Returns false when the program must end (another copy runs, or the
    // database cannot be opened); the user has been told why by then.
    bool start();
    // The program's way in, once claim() holds: shows the window at once and runs start() right
    // after its first frame, so the frame does not wait for the book's key; the program ends when
    // start() fails.
    void showThenStart();
    // Returns the window to idle: pages hidden, controls enabled (as far as a loop or timed query
    // allows), busy indicator hidden, the query still waiting given up.
    void returnToIdle();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The flows and the settings page, built once the book is open.
    void compose();
    // The pages over the window, the five besides the settings page built on the first call.
    const ToolbarPages &pages();
    // A press on the page drags the window or closes the page, as the settings say.
    void givePressBehaviour(Page &page) const;
    // The check found the book damaged while the window runs: offers to put the good copy back and
    // shows the restored book.
    void offerRestore(const CopyReport &report);
    // Checks the book and keeps its copies off the window's thread; what went wrong is said when known.
    void keepBookCopies();
    // The "查询服务" dialog over the window; what it saves applies at once.
    void editServices();
    void shutdown();
    void startTimersOnce();

    Platform m_platform;
    // The flows hold references into it, so a save reaches them all.
    ServiceAddresses m_services;
    programfolder::Places m_places;
    // The picker's entries as the worker that opens the book read them, for start() to hand over;
    // nothing when that read failed. Before the book, which waits for its worker when it goes.
    std::optional<PickerEntries> m_firstEntries;
    BookFile m_book;
    WebClient *m_web;
    // Started from the services dialog; it runs while the window does.
    DemoService *m_demo;

    WindowControls m_controls;

    std::unique_ptr<Feedback> m_feedback;
    std::unique_ptr<BookOpening> m_opening;
    std::unique_ptr<WindowLock> m_lock;
    std::unique_ptr<ParcelStore> m_parcels;
    std::unique_ptr<CourierStore> m_couriers;
    std::unique_ptr<ProgressStore> m_progress;
    // The user's settings, which the pages and flows read and the settings page and dialogs write.
    UserSettings *m_settings = nullptr;
    std::unique_ptr<ParcelBook> m_parcelBook;
    std::unique_ptr<ParcelSelection> m_selection;
    std::unique_ptr<ListOperations> m_listOperations;

    // The pages built so far, as the flows that hide them see them.
    PageSet m_pages;
    ToolbarPages m_toolbarPages;
    ProgressAlerts *m_alerts = nullptr;
    ParcelTracker *m_tracker = nullptr;
    StartupCheck *m_startupCheck = nullptr;
    ClockCalibration *m_clock = nullptr;
    BackgroundWatch *m_watch = nullptr;
    Toolbar *m_toolbar = nullptr;
    WindowChrome *m_chrome = nullptr;
    bool m_timersStarted = false;
    bool m_startAfterFirstFrame = false;
    // Listens once the book is ours, for a second start that asks this window to the front.
    InstanceChannel *m_instanceChannel;
};
