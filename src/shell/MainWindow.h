// The main window: owns the database, the parcel book state, the pages and the timers.
#pragma once

#include "book/CurrentParcel.h"
#include "platform/Platform.h"
#include "platform/ServiceAddresses.h"
#include "store/BookFile.h"

#include <QWidget>

#include <array>
#include <memory>

class CourierStore;
class Page;
class ParcelPicker;
class ParcelStore;
class QLabel;
class QTimer;
class QToolButton;
class QTreeWidget;
class SettingsPage;
class SettingsStore;
class StatusPanel;

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

    void setHint(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void arrange();
    void arrangeToolbar();
    void arrangeStatusRow();
    // `main`: backup copy, single-instance test and connection; false when the program must end.
    bool main();
    void lockHeaders();
    void shutdown();

    Platform m_platform;
    QString m_programDir;
    ServiceAddresses m_services;
    BookFile m_book;
    std::unique_ptr<ParcelStore> m_parcels;
    std::unique_ptr<CourierStore> m_couriers;
    std::unique_ptr<SettingsStore> m_settings;

    CurrentParcel m_current;
    Counters m_counters{};

    StatusPanel *m_statusPanel = nullptr;
    ParcelPicker *m_picker = nullptr;
    QTreeWidget *m_progressList = nullptr;
    QTreeWidget *m_directoryList = nullptr;
    std::array<QToolButton *, 8> m_toolbar{}; // elements 1 to 7
    QLabel *m_hintLine = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_clockLabel = nullptr;
    QLabel *m_busy = nullptr;
    std::array<Page *, 5> m_pages{};
    SettingsPage *m_settingsPage = nullptr;

    // Timer1: the deferred parse of a successful answer, one tick per query.
    QTimer *m_timer1 = nullptr;
};
