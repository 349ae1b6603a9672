// One line of a parcel's progress as the service writes it: when, and what happened.
#pragma once

#include <QString>

struct ProgressEntry {
    QString time;
    QString context;
};
