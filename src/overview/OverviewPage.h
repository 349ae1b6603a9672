// The page "全部快递": every parcel with its last progress, a filter, picking a parcel from it, and the
// background watch's preferences.
#pragma once

#include "widgets/Page.h"

class Clock;
class Feedback;
class OverviewModel;
class ParcelBook;
class ProgressStore;
class QCheckBox;
class QLabel;
class QComboBox;
class QModelIndex;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;
class UserSettings;
class WatchTimerSwitch;

class OverviewPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OverviewPage)

public:
    struct Collaborators {
        ProgressStore &progress;
        // Holds the watch's preferences; the page shows and writes them.
        UserSettings &settings;
        ParcelBook &book;
        const Feedback &feedback;
        const Clock &clock;
    };
    OverviewPage(Collaborators collaborators, QWidget *parent);

    // Reads every parcel and its progress again, and the watch's preferences.
    void reload();

    // While the page is shown, what the book's feed says changed is read in at most this often.
    static constexpr int followDelayMs = 300;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void followBook();
    // Reads the lines again, keeping the selected parcel and the scroll position.
    void showLines();
    void pickParcelAt(const QModelIndex &index);
    // The selected row's newest progress and its time, in full.
    void showDetail(const QModelIndex &current);
    void storeWatch();
    // Turns on the user's systemd timer that runs the watch without the window.
    void enableWatchAtBoot();
    void watchAtBootEnded(const QString &sentence);

    Collaborators m_with;
    OverviewModel *m_model;
    QComboBox *m_filter;
    QTableView *m_table;
    QLabel *m_detail;
    QCheckBox *m_watchOn;
    QSpinBox *m_watchMinutes;
    QPushButton *m_watchAtBoot;
    WatchTimerSwitch *m_watchTimer;
    QTimer *m_follow;
};
