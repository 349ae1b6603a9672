// The main window: owns the database, the shared window state, the pages, the timers and the flows.
#pragma once

#include "platform/Platform.h"
#include "shell/WindowState.h"
#include "store/BookFile.h"

#include <QWidget>

#include <memory>

class AnomalyWatch;
class ChangeDetection;
class CourierStore;
class ParcelSelection;
class ParcelStore;
class ProgressParse;
class QTreeWidget;
class SettingsStore;
class StartupCheck;
class Toolbar;
class TrackingQuery;
class WindowChrome;

class MainWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    MainWindow(const Platform &platform, QString programDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The load event: guards and opens the database, loads the settings and the picker. Returns
    // false when the program must end (another copy runs, or the database cannot be opened); the
    // user has been told why by then.
    bool start();
    // `csh`: returns the window to idle (pages hidden, controls enabled, busy indicator hidden).
    void csh();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void arrange();
    void arrangeToolbar();
    void arrangeStatusRow();
    void arrangeFlows();
    void arrangePages();
    // `main`: backup copy, single-instance test and connection; false when the program must end.
    bool main();
    void lockHeaders();
    void shutdown();

    WindowState m_state;
    BookFile m_book;
    std::unique_ptr<ParcelStore> m_parcels;
    std::unique_ptr<CourierStore> m_couriers;
    std::unique_ptr<SettingsStore> m_settings;
    QTreeWidget *m_directoryList = nullptr;

    ChangeDetection *m_changes = nullptr;
    ProgressParse *m_parse = nullptr;
    TrackingQuery *m_query = nullptr;
    ParcelSelection *m_selection = nullptr;
    AnomalyWatch *m_watch = nullptr;
    StartupCheck *m_startupCheck = nullptr;
    Toolbar *m_toolbar = nullptr;
    WindowChrome *m_chrome = nullptr;
    bool m_shownOnce = false;
};
