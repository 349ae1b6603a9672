// The overview's states, order and filter.
#include "tracker/ProgressOverview.h"

#include "tracking/ProgressReport.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 unreadableTime = std::numeric_limits<qint64>::min();

// `now` is the clock's wall-clock reading as UTC, like the entry times are read.
OverviewLine lineOf(const OverviewRow &row, const tracking::DeliveryHistory &history, const QDateTime &now) {
    OverviewLine line;
    line.id = row.id;
    line.goods = row.goods;
    line.number = row.number;
    line.company = row.company;
    line.state = QStringLiteral("未查询");
    line.newestAt = unreadableTime;
    if (!row.progress) {
        return line;
    }
    const ProgressRow &progress = *row.progress;
    line.newest = progress.newest;
    line.newestTime = progress.newestTime;
    line.unseen = progress.unseen;
    const DeliveryStatus status = tracking::statusOfWord(progress.status);
    const bool signedFor = status == DeliveryStatus::SignedFor;
    line.stage = signedFor ? OverviewStage::SignedFor : OverviewStage::Moving;
    line.state = progress.status;
    line.pickupCode = tracking::pickupCodeOf(progress.newest, row.previousText, status);
    line.estimate =
        history.estimate({row.company, status, row.acceptedTime, line.pickupCode.has_value()}, now.date());
    if (const std::optional<QDateTime> at = tracking::readTime(progress.newestTime, Qt::UTC)) {
        line.newestAt = at->toMSecsSinceEpoch();
        // The newest entry alone decides a stall, as it does after a query.
        const std::optional<int> stalled = signedFor ? std::nullopt : tracking::stalledDaysSince(*at, now);
        if (stalled) {
            line.state = QStringLiteral("已%1天没有新进展").arg(*stalled);
        }
    }
    return line;
}

} // namespace

namespace overview {

std::vector<OverviewLine> linesOf(const QList<OverviewRow> &rows, const QDateTime &now) {
    // The rows hold what ProgressStore::deliveryHistory() reads, so the book is not read twice.
    QList<DeliveredParcel> delivered;
    for (const OverviewRow &row : rows) {
        if (row.progress && tracking::statusOfWord(row.progress->status) == DeliveryStatus::SignedFor &&
            !row.acceptedTime.isEmpty()) {
            delivered.append({row.company, row.acceptedTime, row.progress->newestTime});
        }
    }
    const tracking::DeliveryHistory history(delivered);
    std::vector<OverviewLine> lines;
    lines.reserve(static_cast<std::size_t>(rows.size()));
    const QDateTime wallClock(now.date(), now.time(), Qt::UTC);
    for (const OverviewRow &row : rows) {
        lines.push_back(lineOf(row, history, wallClock));
    }
    // Stable, so parcels with equal times keep the order they were added in.
    std::stable_sort(lines.begin(), lines.end(), [](const OverviewLine &a, const OverviewLine &b) {
        if (a.stage != b.stage) {
            return a.stage < b.stage;
        }
        return a.newestAt > b.newestAt;
    });
    return lines;
}

bool shows(OverviewFilter filter, const OverviewLine &line) {
    switch (filter) {
    case OverviewFilter::InProgress:
        return line.stage != OverviewStage::SignedFor;
    case OverviewFilter::SignedFor:
        return line.stage == OverviewStage::SignedFor;
    case OverviewFilter::All:
        return true;
    }
    return true;
}

} // namespace overview
