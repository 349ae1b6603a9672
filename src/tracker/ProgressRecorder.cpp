// Storing and announcing answered progress.
#include "tracker/ProgressRecorder.h"

#include "store/BookFeed.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "tracker/ProgressAlerts.h"

ProgressRecorder::ProgressRecorder(ParcelStore &parcels, ProgressStore &progress, ProgressAlerts &alerts)
    : m_parcels(parcels)
    , m_progress(progress)
    , m_alerts(alerts) {}

Outcome<bool> ProgressRecorder::record(const TrackedParcel &parcel, const tracking::ProgressReport &report,
                                       tracking::UpdateState update, const QDateTime &now, bool seen,
                                       bool announce) {
    const bool newProgress = update == tracking::UpdateState::NewProgress;
    AnswerToStore answer;
    answer.parcel = parcel.id;
    if (newProgress) {
        answer.newCount = report.rowCount();
    }
    answer.row.status = tracking::statusWord(report.status);
    if (!report.entries.isEmpty()) {
        answer.row.newest = report.entries.first().context;
        answer.row.newestTime = report.entries.first().time;
    }
    answer.row.checked = now;
    answer.entries = report.entries;
    answer.seen = seen;
    const Outcome<bool> stored = m_progress.storeAnswer(answer);
    if (!stored.ok()) {
        return Failure{stored.failure().said(QStringLiteral("更新记录保存")), stored.failure().detail,
                       stored.failure().kind};
    }
    if (!*stored) {
        return false;
    }
    if (BookFeed *feed = m_parcels.database().feed()) {
        Q_EMIT feed->progressStored(parcel.id, newProgress);
    }
    if (newProgress && announce) {
        m_alerts.announce(parcel, report);
    }
    return true;
}
