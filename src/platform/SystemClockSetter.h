// Setting the computer's clock, through the system time service or directly, never waiting on the caller.
#pragma once

#include "platform/Platform.h"

class QObject;

class SystemClockSetter final {
public:
    // Asks the system time service first, which may show the desktop's authorisation prompt for as long
    // as the user takes; when that is unavailable or refuses, sets the clock directly, which only works
    // with root rights. Returns at once; done runs later on the thread of `context`, never once context
    // is gone.
    static void set(const QDateTime &moment, QObject *context, ClockSetDone done);
};
