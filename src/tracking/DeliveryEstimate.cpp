// The courier's durations and the day they point to.
#include "tracking/DeliveryEstimate.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int fewestDelivered = 3;
// Wider than a day, the middle half of the durations no longer points to one day: a single day
// would promise more than the history holds.
constexpr qint64 widestForOneDay = 24 * 60 * 60;

// Entry times are wall-clock readings; read as UTC they subtract without a time zone look-up.
std::optional<QDateTime> wallClock(const QString &time) {
    return tracking::readTime(time, Qt::UTC);
}

} // namespace

namespace tracking {

DeliveryHistory::DeliveryHistory(const QList<DeliveredParcel> &delivered) {
    QHash<QString, std::vector<qint64>> seconds;
    for (const DeliveredParcel &parcel : delivered) {
        const std::optional<QDateTime> accepted = wallClock(parcel.acceptedTime);
        const std::optional<QDateTime> signedAt = wallClock(parcel.signedTime);
        if (accepted && signedAt && *accepted <= *signedAt) {
            seconds[parcel.company.trimmed()].push_back(accepted->secsTo(*signedAt));
        }
    }
    for (auto courier = seconds.begin(); courier != seconds.end(); ++courier) {
        std::vector<qint64> &taken = courier.value();
        const auto n = taken.size();
        if (n < fewestDelivered) {
            continue;
        }
        std::sort(taken.begin(), taken.end());
        // The quartiles by rank: with three or four parcels the shortest and the longest.
        const auto quarter = (n - 1) / 4;
        const qint64 median = n % 2 ? taken[n / 2] : (taken[n / 2 - 1] + taken[n / 2]) / 2;
        m_couriers.insert(courier.key(), {taken[quarter], median, taken[n - 1 - quarter], int(n)});
    }
}

std::optional<DeliveryEstimate> DeliveryHistory::estimate(const ParcelCourse &course, QDate today) const {
    if (course.status == DeliveryStatus::SignedFor || course.awaitingPickup) {
        return std::nullopt;
    }
    if (course.status == DeliveryStatus::OutForDelivery) {
        return DeliveryEstimate{today, today, 0};
    }
    // The courier first: reading a time that is not in the service's usual shape is slow, and an
    // overview asks for every parcel, most of them without a history to go on.
    const auto courier = m_couriers.constFind(course.company.trimmed());
    if (courier == m_couriers.cend() || course.acceptedTime.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<QDateTime> accepted = wallClock(course.acceptedTime);
    if (!accepted) {
        return std::nullopt;
    }
    const Durations &taken = courier.value();
    const bool wide = taken.upper - taken.lower > widestForOneDay;
    const QDate first = accepted->addSecs(wide ? taken.lower : taken.median).date();
    const QDate last = accepted->addSecs(wide ? taken.upper : taken.median).date();
    if (last < today) {
        return std::nullopt;
    }
    return DeliveryEstimate{std::max(first, today), last, taken.count};
}

QString estimateText(const DeliveryEstimate &estimate) {
    const auto day = [](QDate date) {
        return QStringLiteral("%1月%2日").arg(date.month()).arg(date.day());
    };
    const QString days = estimate.earliest == estimate.latest
                             ? day(estimate.earliest)
                             : day(estimate.earliest) + QStringLiteral("–") + day(estimate.latest);
    return QStringLiteral("预计 ") + days + QStringLiteral(" 送达");
}

} // namespace tracking
