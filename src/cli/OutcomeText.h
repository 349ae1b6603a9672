// What a terminal is told of a query's outcome: the parcel, its progress or why there is none, and the
// short lines the progress counter and the watch pass write. Every text from the book or the service is
// shown as terminalSafe writes it, never obeyed.
#pragma once

#include "tracker/QueryOutcome.h"
#include "tracking/DeliveryEstimate.h"

#include <QString>

#include <optional>

// "编号 1  单号  快递公司  物品".
QString parcelLine(const TrackedParcel &parcel);
// The parcel's line, then its progress newest first with status, transit time, pickup code, expected
// day and advice; or the service's code and message for a parcel that was not answered.
QString outcomeText(const QueryOutcome &outcome, const std::optional<DeliveryEstimate> &estimate);
// The answer came but the book did not keep it: the parcel's line and why.
QString storeFailureText(const QueryOutcome &outcome);
// The watch pass's line for a parcel that failed or that the service does not know: its goods, the
// message and, where the service refused, its code.
QString watchLine(const QueryOutcome &outcome);
// "查询 2/5 物品" of query --all on a terminal, cut to one line.
QString progressLine(qsizetype done, qsizetype total, const QString &goods);
