// The loop query (every N minutes) and the timed query (once at a chosen hour and minute).
#pragma once

#include "store/SettingsPage.h"

#include <QObject>

class ParcelSelection;
struct WindowState;

class AutoQuery final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AutoQuery)

public:
    AutoQuery(WindowState &state, ParcelSelection &selection, QObject *parent);

private:
    // The running state of each mode is its button's caption.
    void loopButton();
    void timedButton();
    // Checks shared by both starts; false (and a message) when the current parcel cannot be run.
    bool canStart(const QString &notQueried, const QString &noTime, bool timeMissing);
    void stopLoop();
    void stopTimed();
    void lockOnParcel();
    void showTimedPanel();
    void showLoopPanel();
    // Timer6, every minute while the loop runs.
    void loopTick();
    // Timer4, every second while the timed query is armed.
    void timedTick();

    WindowState &m_state;
    ParcelSelection &m_selection;
    QueryPanels m_panels;
};
