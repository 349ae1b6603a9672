// What a parse shows about a parcel, and what change detection makes of it: plain values.
#pragma once

#include "tracking/TrackingText.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tracking {

struct ProgressReport {
    QList<ProgressEntry> entries; // newest first
    DeliveryStatus status = DeliveryStatus::InTransit;
    // From the oldest entry (the courier's acceptance) to the newest one once signed for, to now
    // otherwise; a time that is not a date counts as no time at all.
    QString transitText;
    // The code the parcel waits to be picked up with; nothing once signed for.
    std::optional<QString> pickupCode;

    // The entry count as change detection compares it, capped like the 16-bit count it was.
    int rowCount() const;
};

ProgressReport reportProgress(const QList<ProgressEntry> &entries, const QDateTime &now);

// The pickup code of the newest entry that names one, of the two newest (the two the status rule reads,
// so a reminder after the arrival keeps the code in view); nothing once signed for.
std::optional<QString> pickupCodeOf(const QString &newest, const QString &previous, DeliveryStatus status);

// The rows the progress list shows and the export writes: number from 1, time, text.
QList<QStringList> listRows(const QList<ProgressEntry> &entries);

// Whole days since the newest entry when it is more than three days old and the parcel is not
// signed for; nothing otherwise, also when the newest entry's time cannot be read.
std::optional<int> stalledDays(const ProgressReport &report, const QDateTime &now);
// The same rule for a parcel not signed for whose newest entry was at `newest`.
std::optional<int> stalledDaysSince(const QDateTime &newest, const QDateTime &now);
// "已N天没有新进展,建议联系快递公司".
QString stalledAdvice(int days);
// The hint line after a successful query: the advice for a stalled parcel, or "查询完毕...".
QString finishedHint(const ProgressReport &report, const QDateTime &now);

enum class UpdateState { NewProgress, NoUpdate, SignedFor };

// A parcel signed for never has new progress; otherwise there is new progress when the stored
// count is below the row count (no stored count counts as equal).
UpdateState updateState(std::optional<qint64> storedCount, int rowCount, DeliveryStatus status);
// "有更新", "无更新" or "已签收".
QString updateWord(UpdateState state);

} // namespace tracking
