// The user's choices about alerts, as the tracker reads them: the settings page in the window, the book's
// settings row on the command line.
#pragma once

#include <QString>

class AlertSwitches {
public:
    virtual ~AlertSwitches() = default;
    virtual bool mailOn() const = 0;
    // The alert sound, and with it the desktop notification.
    virtual bool soundOn() const = 0;
    // Where the update mail goes; empty when there is none.
    virtual QString address() const = 0;
};
