// Where a parcel stands, as a word scripts read beside the Chinese status words.
#pragma once

#include "tracking/TrackingText.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace tracking {

enum class ParcelState { NotQueried, InTransit, OutForDelivery, Delivered, Stalled };

// The state of a parcel from what the book keeps of its progress: its status word and its newest
// entry's time, or nothing when it was never answered with entries. Stalled as the overview says it:
// not signed for, and the newest entry more than three days before `now` (both read as wall-clock
// times).
ParcelState parcelState(const std::optional<QString> &statusWord, const QString &newestTime,
                        const QDateTime &now);
// "not_queried", "in_transit", "out_for_delivery", "delivered" or "stalled".
QString stateKey(ParcelState state);

} // namespace tracking
