// The loop query (every N minutes) and the timed query (once at a chosen hour and minute).
#pragma once

#include "settings/SettingsPage.h"

#include <QObject>

class Clock;
class Feedback;
class ParcelBook;
class ParcelSelection;
class QTimer;
class QuerySession;

class AutoQuery final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AutoQuery)

public:
    struct Collaborators {
        QueryPanels panels;
        QuerySession &session;
        ParcelBook &book;
        ParcelSelection &selection;
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

    Collaborators m_with;
    QTimer *m_loopTimer;
    QTimer *m_timedTimer;
    bool m_loopRunning = false;
    // Armed from its start until it is stopped, also after it has fired.
    bool m_timedArmed = false;
    int m_loopMinutes = 0;
};
