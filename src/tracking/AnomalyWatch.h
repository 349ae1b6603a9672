// The anomaly watch: ten one-second ticks without an answer return the window to idle.
#pragma once

#include <QObject>

#include <functional>

struct WindowState;

class AnomalyWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnomalyWatch)

public:
    // csh returns the window to idle.
    AnomalyWatch(WindowState &state, std::function<void()> csh, QObject *parent);

private:
    // Tick of Timer7. The tick count is kept when a query ends before the tenth tick, so slow
    // queries add up.
    void tick();

    WindowState &m_state;
    std::function<void()> m_csh;
};
