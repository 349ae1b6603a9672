// What stops the tracker, as the Failures its callers read: a refusal in the user's words, or the
// book's own failure worded for the operation it stopped.
#pragma once

#include "text/Failure.h"

// A refusal the user reads as it stands; no library's words lie behind it.
inline Failure refusal(const QString &reason) {
    return Failure{reason, QString(), Failure::Kind::Plain};
}

// The book refused the operation: the whole sentence is the reason, the engine's words go to the log.
inline Failure storeFailure(const Failure &failure, const QString &operation) {
    return Failure{failure.said(operation), failure.detail, failure.kind};
}
