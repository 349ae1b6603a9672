// The automatic queries of the current parcel: the loop (every so many minutes), the timed one (once at
// an hour and minute), and the pause the service's daily quota puts on both.
#pragma once

#include "text/Failure.h"
#include "tracking/TrackingAnswer.h"

#include <QDate>
#include <QObject>
#include <QTime>

#include <functional>
#include <optional>

class Clock;
class ProgressStore;
class QTimer;

class QueryModes final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueryModes)

public:
    // `queryCurrent` sends a mode's query of the current parcel; its Failure when nothing went out.
    QueryModes(const Clock &clock, ProgressStore &progress, std::function<Outcome<>()> queryCurrent,
               QObject *parent);

    // The loop query: the current parcel every `minutes` minutes (Timer6 counts the minutes).
    void startLoop(int minutes);
    void stopLoop();
    bool loopRunning() const { return m_loopRunning; }
    // The timed query: the current parcel once at this hour and minute (Timer4 looks every second).
    void startTimed(int hour, int minute);
    void stopTimed();
    bool timedArmed() const { return m_timedAt.has_value(); }
    // The modes follow the current parcel: once it is gone they have nothing to query.
    void stopBoth();
    // Code 22 in the answer to a mode's query (`automatic`), or while a mode runs, holds back the
    // automatic queries for the rest of the local day; queries by hand still go out.
    void noteQuota(bool automatic, const tracking::TrackingAnswer &answer);

Q_SIGNALS:
    void hint(const QString &text);
    void modesChanged(bool loopRunning, bool timedArmed);

private:
    void loopTick();
    void timedTick();
    // A mode's turn; its Failure (said) when the quota ran out today or nothing could be asked.
    Outcome<> queryUnlessPaused();
    bool pausedToday() const;

    const Clock &m_clock;
    ProgressStore &m_progress;
    std::function<Outcome<>()> m_queryCurrent;
    QTimer *m_loopTimer;
    QTimer *m_timedTimer;
    bool m_loopRunning = false;
    int m_loopMinutes = 0;
    int m_minutesCounted = 0;
    std::optional<QTime> m_timedAt;
    // The local day the service said its queries were used up, and what it said. The quota is the
    // service's, so stopping and restarting a mode keeps the pause.
    std::optional<QDate> m_pausedOn;
    QString m_pauseMessage;
};
