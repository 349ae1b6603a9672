// What every query path does with an answered parcel: store its new count, its last progress and the
// answer's entries, and announce progress that is new. The window's tracker and the watch share it.
#pragma once

#include "tracker/TrackedParcel.h"
#include "tracking/ProgressReport.h"

#include <QDateTime>
#include <QString>

class ParcelStore;
class ProgressAlerts;
class ProgressStore;

class ProgressRecorder final {
public:
    ProgressRecorder(ParcelStore &parcels, ProgressStore &progress, ProgressAlerts &alerts);

    // True once stored (and announced); false when the parcel's row is gone: nothing stored, nothing
    // announced. A store the book refused fails with the sentence the user is told; nothing is announced,
    // so the same progress comes again next time. `seen`: the user is looking at this progress (the
    // window's current parcel); otherwise new progress waits marked unseen. `announce`: false for the
    // first answer of a parcel just added.
    Outcome<bool> record(const TrackedParcel &parcel, const tracking::ProgressReport &report,
                         tracking::UpdateState update, const QDateTime &now, bool seen, bool announce);

private:
    ParcelStore &m_parcels;
    ProgressStore &m_progress;
    ProgressAlerts &m_alerts;
};
