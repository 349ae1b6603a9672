// What --json says of a query's outcome and of a number add did not add: the texts exactly as the book
// and the service hold them.
#pragma once

#include "text/Failure.h"
#include "tracker/QueryOutcome.h"
#include "tracking/DeliveryEstimate.h"

#include <QJsonArray>
#include <QJsonObject>

#include <optional>

// The parcel, whether it succeeded and was answered, the service's code and message, and `state` (where
// the parcel stands by the book after the query, stateKey); with progress also its status, transit
// time, whether it was new, stalled days, pickup code and expected delivery; then its entries.
QJsonObject outcomeJson(const QueryOutcome &outcome, const std::optional<DeliveryEstimate> &estimate,
                        const QString &state);
// An entry of add's JSON for a number that was not added, shaped like the others, its message the
// failure's reason.
QJsonObject notAddedJson(const QString &number, const QString &company, const QString &goods,
                         const Failure &failure);
// The array as indented JSON text.
QString jsonText(const QJsonArray &array);
