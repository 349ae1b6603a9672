// What the book kept of a parcel's newest answer, read back as the window shows it while a query waits.
#pragma once

#include "store/ParcelId.h"
#include "tracking/ProgressReport.h"

#include <QDateTime>

#include <optional>

class ProgressStore;

struct StoredProgress {
    tracking::ProgressReport report;
    // What the book knows: progress not yet seen, signed for, or nothing new.
    tracking::UpdateState update = tracking::UpdateState::NoUpdate;
    // When the answer was learnt.
    QDateTime learnt;
};

// Nothing when the book holds no entries of the parcel, or cannot be read: a query's answer is shown then.
std::optional<StoredProgress> readStoredProgress(ProgressStore &progress, ParcelId id, const QDateTime &now);
