// The anomaly watch: ten one-second ticks without an answer return the window to idle.
#pragma once

#include <QObject>

#include <functional>

class Feedback;
class QTimer;

class AnomalyWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnomalyWatch)

public:
    // csh returns the window to idle.
    AnomalyWatch(const Feedback &feedback, std::function<void()> csh, QObject *parent);

    // Timer7 runs while a query waits for its answer.
    void start();
    // The tick count is kept when a query ends before the tenth tick, so slow queries add up.
    void stop();

private:
    // Tick of Timer7.
    void tick();

    const Feedback &m_feedback;
    std::function<void()> m_csh;
    QTimer *m_timer;
    int m_ticks = 0;
};
