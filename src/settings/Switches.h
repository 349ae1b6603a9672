// The user's switches and notification address as the window's flows read them; the settings page holds them.
#pragma once

#include "tracker/AlertSwitches.h"

class Switches : public AlertSwitches {
public:
    virtual bool dragOn() const = 0;
    virtual bool closeOnPressOn() const = 0;
    virtual bool balloonOn() const = 0;
    virtual bool defaultQueryOn() const = 0;
    virtual bool autoRecognitionOn() const = 0;
};
