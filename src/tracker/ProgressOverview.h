// The overview of every parcel as plain values: what its state reads, how the lines are ordered and which
// of them a filter shows.
#pragma once

#include "store/ParcelId.h"
#include "store/ProgressStore.h"
#include "tracking/DeliveryEstimate.h"

#include <QDateTime>
#include <QString>

#include <vector>

// Where a parcel stands on the overview; the order of the values is the order of the lines.
enum class OverviewStage { Moving, NeverQueried, SignedFor };

enum class OverviewFilter { InProgress, SignedFor, All };

struct OverviewLine {
    ParcelId id;
    QString goods;
    QString number;
    QString company;
    // "未查询", the stored status word, or "已N天没有新进展".
    QString state;
    QString newest;
    QString newestTime;
    bool unseen = false;
    std::optional<QString> pickupCode;
    std::optional<DeliveryEstimate> estimate;
    OverviewStage stage = OverviewStage::NeverQueried;
    // Milliseconds since the epoch of the newest entry; the lowest value when it cannot be read.
    qint64 newestAt = 0;
};

namespace overview {

// The parcels' lines: moving ones first, newest progress first, then those never queried, then those
// signed for (each again newest first). Each is estimated from the parcels among them signed for.
std::vector<OverviewLine> linesOf(const QList<OverviewRow> &rows, const QDateTime &now);
bool shows(OverviewFilter filter, const OverviewLine &line);

} // namespace overview
