// The main window's shared state, handed to the classes that run its flows: the current parcel,
// counters, query state, the stores, the widgets the flows move, and the helpers they share.
#pragma once

#include "book/CurrentParcel.h"
#include "platform/Platform.h"
#include "platform/ServiceAddresses.h"
#include "tracking/TrackingText.h"

#include <QString>

#include <array>
#include <cstdint>

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
class WebClient;

// The answer of the last query and what the parse made of it.
struct QueryState {
    QString answerText;
    QString resultCode;
    std::int16_t rowCount = 0;
};

struct WindowState {
    Platform platform;
    ServiceAddresses services;
    QString programDir;
    WebClient *web = nullptr;

    // Open from the end of `main` for the rest of the run.
    ParcelStore *parcels = nullptr;
    CourierStore *couriers = nullptr;
    SettingsStore *settings = nullptr;

    CurrentParcel current;
    Counters counters{};
    QueryState query;
    tracking::Announcement announcement;

    ParcelPicker *picker = nullptr;
    QTreeWidget *progressList = nullptr;
    StatusPanel *statusPanel = nullptr;
    QLabel *hintLine = nullptr;
    QLabel *busy = nullptr;
    std::array<QToolButton *, 8> toolbar{}; // elements 1 to 7
    std::array<Page *, 5> pages{};
    SettingsPage *settingsPage = nullptr;

    QTimer *timer1 = nullptr; // deferred parse of a successful answer, one tick per query
    QTimer *timer3 = nullptr; // start-up check, one tick
    QTimer *timer4 = nullptr; // timed query, every second while armed
    QTimer *timer5 = nullptr; // status-row clock
    QTimer *timer6 = nullptr; // loop query, counts minutes
    QTimer *timer7 = nullptr; // anomaly watch

    void setHint(const QString &text) const;
    // A message box titled "岚舟系列软件" with the information icon and one OK button.
    void inform(const QString &text) const;
    // A Yes/No question with the same title and icon; true on Yes.
    bool ask(const QString &text) const;
    void hidePages() const;
    void setToolbarEnabled(bool enabled) const;
    // Picker, progress list and toolbar off while a query runs.
    void lock() const;
    // Picker, progress list and toolbar on again.
    void unlock() const;
    // After a parse: the picker and toolbar come back unless a loop or timed query holds the
    // window on the current parcel; then only the directory icon does.
    void unlockAfterQuery() const;
    // The loop runs while its button reads "停止循环", the timed query while its reads "关闭定时".
    bool modeRunning() const;
    void showBusy(bool shown) const;
    // `sX` with a failure put on the hint line; false when the table could not be read.
    bool reloadPicker() const;
    // Deletes the current parcel's row and tells the user how that went; false when the store refused.
    bool deleteCurrentParcel() const;
};
