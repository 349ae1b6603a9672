// The loop query (every N minutes) and the timed query (once at a chosen hour and minute).
#pragma once

#include "settings/SettingsPage.h"
#include "tracking/TrackingAnswer.h"

#include <QDate>
#include <QObject>

#include <optional>

class Clock;
class Feedback;
class ParcelBook;
class ParcelSelection;
class QTimer;
class QuerySession;
class TrackingQuery;

class AutoQuery final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AutoQuery)

public:
    struct Collaborators {
        QueryPanels panels;
        QuerySession &session;
        ParcelBook &book;
        ParcelSelection &selection;
        TrackingQuery &query;
        const Feedback &feedback;
        const Clock &clock;
    };
    AutoQuery(Collaborators collaborators, QObject *parent);

private:
    void loopButton();
    void timedButton();
    // Checks shared by both starts; false (and a message) when the current parcel cannot be run.
    bool canStart(const QString &notQueried, const QString &noTime, bool timeMissing);
    void startLoop();
    void stopLoop();
    void startTimed();
    void stopTimed();
    // Holds the window on the current parcel while either mode runs; the captions show the modes.
    void showModes();
    void showTimedPanel();
    void showLoopPanel();
    // Timer6, every minute while the loop runs.
    void loopTick();
    // Timer4, every second while the timed query is armed.
    void timedTick();
    // A mode's turn: queries the current parcel unless the service's quota ran out today; false
    // (and the reason on the hint line) when it did.
    bool queryUnlessPaused();
    // Code 22 in the answer to a mode's query, or while a mode runs, holds back the automatic
    // queries for the rest of the local day; queries by hand still go out.
    void queryFailed(quint64 serial, const tracking::TrackingAnswer &answer);
    bool pausedToday() const;
    void showPause() const;

    Collaborators m_with;
    QTimer *m_loopTimer;
    QTimer *m_timedTimer;
    bool m_loopRunning = false;
    // Armed from its start until it is stopped, also after it has fired.
    bool m_timedArmed = false;
    int m_loopMinutes = 0;
    // The serial of the last query a mode sent.
    std::optional<quint64> m_ownSerial;
    // The local day the service said its queries were used up, and what it said. The quota is the
    // service's, so stopping and restarting a mode keeps the pause.
    std::optional<QDate> m_pausedOn;
    QString m_pauseMessage;
};
