// Set-up steps a test cannot go on without: the step's value, or the run stops with the book's reason.
#pragma once

#include "text/Failure.h"

#include <QtGlobal>

#include <utility>

template <typename T> T must(Outcome<T> outcome) {
    if (!outcome.ok()) {
        qFatal("set-up failed: %s (%s)", qPrintable(outcome.failure().reason),
               qPrintable(outcome.failure().detail));
    }
    return std::move(*outcome);
}

inline void must(const Outcome<> &outcome) {
    if (!outcome) {
        qFatal("set-up failed: %s (%s)", qPrintable(outcome.failure().reason),
               qPrintable(outcome.failure().detail));
    }
}
