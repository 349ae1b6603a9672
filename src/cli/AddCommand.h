// add: numbers added as the window's add page adds them, then queried.
#pragma once

#include "cli/CommandContext.h"
#include "text/TrackingNumbersInText.h"

#include <QList>

// The parcels an add is for.
struct AddChoice {
    // Found in a text, or the one number given.
    QList<FoundNumber> numbers;
    bool fromText = false;
    // The company as typed; empty: each number's company is recognised.
    QString company;
    QString goods;
};

// Adds each number as the window's add page does (asked of the service, stored, then queried) and prints
// the query as `query` does. A number whose company cannot be recognised is skipped and said; one found
// in a text that looks like a mobile number, or that the book holds already, is said and not added.
int addParcels(const CommandContext &context, const AddChoice &choice, bool json);
