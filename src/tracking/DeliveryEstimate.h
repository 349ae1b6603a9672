// When a parcel may be expected, worked out on this machine from how long the book's own delivered
// parcels of the same courier took; nothing leaves the machine.
#pragma once

#include "store/ProgressStore.h"
#include "tracking/TrackingText.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

struct DeliveryEstimate {
    QDate earliest;
    // The same day as `earliest` unless the courier's times spread too wide for one day.
    QDate latest;
    // The delivered parcels it rests on; none for a parcel out for delivery, which is due today.
    int basis = 0;
};

namespace tracking {

// A parcel's progress as the estimate reads it.
struct ParcelCourse {
    QString company;
    DeliveryStatus status = DeliveryStatus::InTransit;
    // The oldest entry's time, the courier's acceptance, as the service wrote it.
    QString acceptedTime;
    // The parcel waits at a pickup point with its code: it has arrived.
    bool awaitingPickup = false;
};

// Per courier (the company as the book names it), the durations from acceptance to signing of its
// delivered parcels. Not per destination city: the entries name where a parcel was scanned rather than
// where it goes, and a private book seldom holds three delivered parcels of one courier to one city,
// so a split would mostly leave no estimate at all.
class DeliveryHistory final {
public:
    DeliveryHistory() = default;
    explicit DeliveryHistory(const QList<DeliveredParcel> &delivered);

    // Signed for, or waiting at a pickup point: nothing. Out for delivery: today. Otherwise the
    // acceptance plus the courier's median duration, or a range over the middle half of its durations
    // when that spreads wider than a day; nothing with fewer than three delivered parcels of the
    // courier, without a readable acceptance time, or when even the range's last day has passed
    // (the history no longer says when). A range never starts before today.
    std::optional<DeliveryEstimate> estimate(const ParcelCourse &course, QDate today) const;

private:
    struct Durations {
        // Seconds from acceptance to signing: the lower quartile, the median, the upper quartile.
        qint64 lower = 0;
        qint64 median = 0;
        qint64 upper = 0;
        int count = 0;
    };
    QHash<QString, Durations> m_couriers;
};

// "预计 12月9日 送达", or "预计 12月9日–12月11日 送达" for a range.
QString estimateText(const DeliveryEstimate &estimate);

} // namespace tracking
