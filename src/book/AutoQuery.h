// The loop and timed panels: their buttons start and stop the tracker's modes, their captions show them.
#pragma once

#include "settings/SettingsPage.h"
#include "text/Failure.h"

#include <QObject>

class Feedback;
class ParcelPicker;
class ParcelTracker;
class WindowLock;

class AutoQuery final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AutoQuery)

public:
    struct Collaborators {
        QueryPanels panels;
        WindowLock &lock;
        const ParcelPicker &picker;
        ParcelTracker &tracker;
        const Feedback &feedback;
    };
    AutoQuery(Collaborators collaborators, QObject *parent);

private:
    void loopButton();
    void timedButton();
    // Checks shared by both starts: done when the current parcel can be run, else why not.
    Outcome<> startAllowed(const QString &notQueried, const QString &noTime, bool timeMissing) const;
    // Holds the window on the current parcel while either mode runs; the captions and pickers show
    // the modes.
    void showModes(bool loopRunning, bool timedArmed);
    void showTimedPanel();
    void showLoopPanel();

    Collaborators m_with;
};
