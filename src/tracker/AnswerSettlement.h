// The one rule that settles a tracking answer: what it comes to for a parcel, given what the book knew of it.
#pragma once

#include "tracker/QueryOutcome.h"
#include "tracker/TrackedParcel.h"
#include "tracking/TrackingAnswer.h"

#include <QDateTime>
#include <QString>

#include <optional>

struct Settlement {
    // Report, status, transit time, stalled days, new progress or not, and the outcome's words.
    QueryOutcome outcome;
    // What the hint line says of it; empty when the answer leaves the hint line as it is.
    QString hint;
    // The answer has entries: its progress is to be recorded.
    bool record = false;
    // The count the book holds once the progress is recorded; nothing when it stays as it was.
    std::optional<qint64> countToStore;
    // New progress to announce once the book keeps it.
    bool announce = false;
};

// `parcel.storedCount` is what the book knew; `announceNews` is false for an answer the user has seen
// already (the one an add showed). An answer of NoAnswer carries why the transfer failed, if it did.
Settlement settleAnswer(const TrackedParcel &parcel, const tracking::TrackingAnswer &answer,
                        const QDateTime &now, bool announceNews);

// "该快递已不在快递列表中..": the parcel left the book while its answer was awaited.
QString parcelGoneText();
