// The loop and timed queries and the daily-quota pause.
#include "tracker/QueryModes.h"

#include "platform/Platform.h"
#include "store/ProgressStore.h"
#include "tracker/TrackerFailure.h"
#include "tracking/TrackingText.h"

#include <QTimer>

QueryModes::QueryModes(const Clock &clock, ProgressStore &progress, std::function<Outcome<>()> queryCurrent,
                       QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_progress(progress)
    , m_queryCurrent(std::move(queryCurrent))
    , m_loopTimer(new QTimer(this))
    , m_timedTimer(new QTimer(this)) {
    m_loopTimer->setObjectName(QStringLiteral("Timer6"));
    m_loopTimer->setInterval(60000);
    connect(m_loopTimer, &QTimer::timeout, this, &QueryModes::loopTick);
    m_timedTimer->setObjectName(QStringLiteral("Timer4"));
    m_timedTimer->setInterval(1000);
    connect(m_timedTimer, &QTimer::timeout, this, &QueryModes::timedTick);
}

void QueryModes::startLoop(int minutes) {
    m_loopRunning = true;
    m_loopMinutes = minutes;
    m_minutesCounted = 0;
    m_loopTimer->start();
    Q_EMIT modesChanged(m_loopRunning, timedArmed());
}

void QueryModes::stopLoop() {
    m_loopRunning = false;
    m_loopTimer->stop();
    m_minutesCounted = 0;
    Q_EMIT modesChanged(m_loopRunning, timedArmed());
}

void QueryModes::startTimed(int hour, int minute) {
    m_timedAt = QTime(hour, minute);
    m_timedTimer->start();
    Q_EMIT modesChanged(m_loopRunning, true);
}

void QueryModes::stopTimed() {
    m_timedAt.reset();
    m_timedTimer->stop();
    Q_EMIT modesChanged(m_loopRunning, false);
}

void QueryModes::stopBoth() {
    const bool running = m_loopRunning || m_timedAt;
    m_loopRunning = false;
    m_loopTimer->stop();
    m_timedAt.reset();
    m_timedTimer->stop();
    if (running) {
        Q_EMIT modesChanged(false, false);
    }
}

void QueryModes::loopTick() {
    if (!m_loopRunning) {
        return;
    }
    if (++m_minutesCounted == m_loopMinutes) {
        m_minutesCounted = 0;
        // A turn that could not go has been said; the loop tries again at its next turn.
        static_cast<void>(queryUnlessPaused());
    }
}

void QueryModes::timedTick() {
    const QTime now = m_clock.now().time();
    // Armed until stopped, also after it has fired; it fires once.
    if (m_timedAt && now.hour() == m_timedAt->hour() && now.minute() == m_timedAt->minute() &&
        queryUnlessPaused()) {
        m_timedTimer->stop();
    }
}

Outcome<> QueryModes::queryUnlessPaused() {
    if (pausedToday()) {
        const Failure paused = refusal(
            (m_pauseMessage.isEmpty() ? tracking::resultMessage(QStringLiteral("22")) : m_pauseMessage) +
            QStringLiteral("(今日不再自动查询)"));
        Q_EMIT hint(paused.reason);
        return paused;
    }
    return m_queryCurrent();
}

void QueryModes::noteQuota(bool automatic, const tracking::TrackingAnswer &answer) {
    if (!(automatic || m_loopRunning || m_timedAt) || !tracking::quotaUsedUp(answer)) {
        return;
    }
    m_pausedOn = m_clock.now().date();
    m_pauseMessage = answer.message;
    Q_EMIT hint(m_pauseMessage + QStringLiteral("(今日不再自动查询)"));
    // Kept in the book, so that a watch (or the next start) sends nothing more today either.
    if (const Outcome<> kept = m_progress.setQuotaUsedUpOn(*m_pausedOn); !kept) {
        Q_EMIT hint(kept.failure().said(QStringLiteral("查询次数记录")));
    }
}

bool QueryModes::pausedToday() const {
    const QDate today = m_clock.now().date();
    if (m_pausedOn == today) {
        return true;
    }
    // A watch may have heard the service say so; a book that cannot be read holds nothing back.
    const Outcome<std::optional<QDate>> usedUpOn = m_progress.quotaUsedUpOn();
    return usedUpOn.ok() && *usedUpOn == today;
}
