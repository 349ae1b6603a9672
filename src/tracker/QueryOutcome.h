// What one query of a parcel came to, for whoever drives a query: the window, the command line, a watch.
#pragma once

#include "text/Failure.h"
#include "tracker/TrackedParcel.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingAnswer.h"

#include <QString>

#include <optional>

// What one query came to, for whoever drives the tracker.
struct QueryOutcome {
    TrackedParcel parcel;
    tracking::AnswerKind kind = tracking::AnswerKind::NoAnswer;
    QString code;
    // Why it failed, or the note of an answer without entries.
    QString message;
    // Success only; no entries when the service has none yet.
    tracking::ProgressReport report;
    tracking::UpdateState update = tracking::UpdateState::NoUpdate;
    // Whole days without new progress, for a parcel that should have moved by now.
    std::optional<int> stalledDays;
    // Answered, but the book refused to keep it, and why: the same progress comes again.
    std::optional<Failure> bookFailure;
    // An add that got no usable answer and was kept, unqueried, on the user's word: its new row.
    std::optional<ParcelId> keptUnanswered;

    bool succeeded() const { return kind == tracking::AnswerKind::Success; }
    // The service answered about the parcel: with its progress, or that it does not know the number.
    bool answered() const {
        return kind == tracking::AnswerKind::Success || kind == tracking::AnswerKind::NotKnown;
    }
    // Anything short of an answer kept in the book.
    bool failed() const { return !succeeded() || bookFailure.has_value(); }
    // New progress the book now holds: only this is announced and counted as news.
    bool storedNewProgress() const { return !failed() && update == tracking::UpdateState::NewProgress; }
};
