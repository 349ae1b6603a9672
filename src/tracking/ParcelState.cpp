// The state words of a parcel for scripts.
#include "tracking/ParcelState.h"

#include "tracking/ProgressReport.h"

namespace tracking {

ParcelState parcelState(const std::optional<QString> &statusWord, const QString &newestTime,
                        const QDateTime &now) {
    if (!statusWord) {
        return ParcelState::NotQueried;
    }
    const DeliveryStatus status = statusOfWord(*statusWord);
    if (status == DeliveryStatus::SignedFor) {
        return ParcelState::Delivered;
    }
    const std::optional<QDateTime> newest = readTime(newestTime, Qt::UTC);
    if (newest && stalledDaysSince(*newest, QDateTime(now.date(), now.time(), Qt::UTC))) {
        return ParcelState::Stalled;
    }
    return status == DeliveryStatus::OutForDelivery ? ParcelState::OutForDelivery : ParcelState::InTransit;
}

QString stateKey(ParcelState state) {
    switch (state) {
    case ParcelState::NotQueried:
        return QStringLiteral("not_queried");
    case ParcelState::InTransit:
        return QStringLiteral("in_transit");
    case ParcelState::OutForDelivery:
        return QStringLiteral("out_for_delivery");
    case ParcelState::Delivered:
        return QStringLiteral("delivered");
    case ParcelState::Stalled:
        return QStringLiteral("stalled");
    }
    return QString();
}

} // namespace tracking
