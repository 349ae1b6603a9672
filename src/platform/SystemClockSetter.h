// Setting the computer's clock, through the system time service or directly.
#pragma once

#include <QDateTime>
#include <QString>

struct ClockSetResult {
    bool ok = false;
    // Why neither way worked; empty when ok.
    QString error;
};

class SystemClockSetter final {
public:
    // Asks the system time service first, which may show the desktop's authorisation prompt; when
    // that is unavailable or refuses, sets the clock directly, which only works with root rights.
    static ClockSetResult set(const QDateTime &moment);
};
