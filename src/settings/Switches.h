// The user's switches and notification address as the flows read them; the settings page holds them.
#pragma once

#include <QString>

class Switches {
public:
    virtual ~Switches() = default;
    virtual bool mailOn() const = 0;
    virtual bool soundOn() const = 0;
    virtual bool dragOn() const = 0;
    virtual bool closeOnPressOn() const = 0;
    virtual bool balloonOn() const = 0;
    virtual bool defaultQueryOn() const = 0;
    virtual bool autoRecognitionOn() const = 0;
    virtual QString address() const = 0;
};
