// Storing and announcing answered progress.
#include "tracker/ProgressRecorder.h"

#include "store/BookFeed.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/StoreError.h"
#include "tracker/ProgressAlerts.h"

ProgressRecorder::ProgressRecorder(ParcelStore &parcels, ProgressStore &progress, ProgressAlerts &alerts)
    : m_parcels(parcels)
    , m_progress(progress)
    , m_alerts(alerts) {}

ProgressRecorder::Recorded ProgressRecorder::record(const TrackedParcel &parcel,
                                                    const tracking::ProgressReport &report,
                                                    tracking::UpdateState update, const QDateTime &now,
                                                    bool seen, bool announce) {
    const bool newProgress = update == tracking::UpdateState::NewProgress;
    try {
        // The count, the overview's row and the entries are written together: the count is what
        // makes progress new once, so without all of them stored nothing is announced and the same
        // progress comes again; and a pick never shows entries of another answer than the row's.
        Transaction transaction(m_parcels.database());
        if (!m_parcels.exists(parcel.id) ||
            (newProgress && !m_parcels.setCount(parcel.id, report.rowCount()))) {
            return {Result::Gone, QString()};
        }
        ProgressRow row;
        row.status = tracking::statusWord(report.status);
        if (!report.entries.isEmpty()) {
            row.newest = report.entries.first().context;
            row.newestTime = report.entries.first().time;
        }
        row.checked = now;
        m_progress.record(parcel.id, row, newProgress && !seen);
        m_progress.replaceEntries(parcel.id, report.entries);
        if (seen) {
            m_progress.markSeen(parcel.id);
        }
        transaction.commit();
    } catch (const StoreError &error) {
        return {Result::StoreFailed, error.failureText(QStringLiteral("更新记录保存"))};
    }
    if (BookFeed *feed = m_parcels.database().feed()) {
        Q_EMIT feed->progressStored(parcel.id, newProgress);
    }
    if (newProgress && announce) {
        m_alerts.announce(parcel, report);
    }
    return {Result::Stored, QString()};
}
