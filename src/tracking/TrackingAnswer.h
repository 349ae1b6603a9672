// What one answer of the tracking service means, as a value both the add and the query flow act on.
#pragma once

#include "tracking/TrackingText.h"

#include <QList>
#include <QString>

namespace tracking {

enum class AnswerKind {
    NoAnswer,   // an empty body: nothing came, the anomaly watch deals with it
    Unreadable, // a body without any result code (an error page, say)
    Success,    // the service has progress entries for the number (there may be none yet)
    NotKnown,   // code "1": the service does not (or no longer) know the number
    Failure,    // any other code
};

struct TrackingAnswer {
    AnswerKind kind = AnswerKind::NoAnswer;
    QString code;
    // The hint-line text of a failure or an unreadable answer; empty for codes the service does
    // not list, which leave the hint line as it is. With no answer, why the transfer failed.
    QString message;
    // Success only, in answer order (newest first).
    QList<ProgressEntry> entries;
};

// Reads the result code and, on success, every progress entry of the body.
TrackingAnswer interpretAnswer(const QString &body);
// Code "22": the service answers no more queries today.
bool quotaUsedUp(const TrackingAnswer &answer);

} // namespace tracking
