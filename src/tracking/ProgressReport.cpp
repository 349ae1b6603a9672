// Delivery status, transit time and new progress of one parse.
#include "tracking/ProgressReport.h"

#include "text/PickupCode.h"

#include <algorithm>

namespace tracking {

int ProgressReport::rowCount() const {
    return static_cast<int>(std::min<qsizetype>(entries.size(), 32767));
}

QList<QStringList> listRows(const QList<ProgressEntry> &entries) {
    QList<QStringList> rows;
    rows.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        rows.append({QString::number(i + 1), entries[i].time, entries[i].context});
    }
    return rows;
}

ProgressReport reportProgress(const QList<ProgressEntry> &entries, const QDateTime &now) {
    ProgressReport report;
    report.entries = entries;
    report.status = classify(entries);
    std::int64_t seconds = 0;
    if (!entries.isEmpty()) {
        const QString accepted = entries.last().time;
        if (report.status == DeliveryStatus::SignedFor) {
            if (const std::optional<QDateTime> newest = readTime(entries.first().time)) {
                seconds = secondsBetween(accepted, *newest).value_or(0);
            }
        } else {
            seconds = secondsBetween(accepted, now).value_or(0);
        }
    }
    report.transitText = transitText(seconds);
    report.pickupCode = pickupCodeOf(entries.value(0).context, entries.value(1).context, report.status);
    return report;
}

std::optional<QString> pickupCodeOf(const QString &newest, const QString &previous, DeliveryStatus status) {
    if (status == DeliveryStatus::SignedFor) {
        return std::nullopt;
    }
    if (std::optional<QString> code = findPickupCode(newest)) {
        return code;
    }
    return findPickupCode(previous);
}

std::optional<int> stalledDays(const ProgressReport &report, const QDateTime &now) {
    if (report.entries.isEmpty() || report.status == DeliveryStatus::SignedFor) {
        return std::nullopt;
    }
    // Entry times are the service's local times, read like the transit time reads them.
    const std::optional<QDateTime> newest = readTime(report.entries.first().time);
    return newest ? stalledDaysSince(*newest, now) : std::nullopt;
}

std::optional<int> stalledDaysSince(const QDateTime &newest, const QDateTime &now) {
    constexpr std::int64_t day = 24 * 60 * 60;
    if (!newest.isValid() || !now.isValid()) {
        return std::nullopt;
    }
    const std::int64_t seconds = newest.secsTo(now);
    if (seconds <= 3 * day) {
        return std::nullopt;
    }
    // Four-digit years keep the day count well inside an int.
    return static_cast<int>(seconds / day);
}

QString finishedHint(const ProgressReport &report, const QDateTime &now) {
    if (const std::optional<int> days = stalledDays(report, now)) {
        return stalledAdvice(*days);
    }
    return QStringLiteral("查询完毕...");
}

QString stalledAdvice(int days) {
    return QStringLiteral("已") + QString::number(days) + QStringLiteral("天没有新进展,建议联系快递公司");
}

UpdateState updateState(std::optional<qint64> storedCount, int rowCount, DeliveryStatus status) {
    if (status == DeliveryStatus::SignedFor) {
        return UpdateState::SignedFor;
    }
    return hasNewProgress(storedCount, rowCount) ? UpdateState::NewProgress : UpdateState::NoUpdate;
}

QString updateWord(UpdateState state) {
    switch (state) {
    case UpdateState::NewProgress:
        return QStringLiteral("有更新");
    case UpdateState::NoUpdate:
        return QStringLiteral("无更新");
    case UpdateState::SignedFor:
        return QStringLiteral("已签收");
    }
    return QString();
}

} // namespace tracking
