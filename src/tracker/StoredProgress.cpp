// Reading back what the book kept of a parcel's progress.
#include "tracker/StoredProgress.h"

#include "store/ProgressStore.h"

std::optional<StoredProgress> readStoredProgress(ProgressStore &progress, ParcelId id, const QDateTime &now) {
    const Outcome<std::optional<ProgressRow>> read = progress.byParcel(id);
    if (!read.ok() || !*read) {
        return std::nullopt;
    }
    const std::optional<ProgressRow> &row = *read;
    const Outcome<QList<ProgressEntry>> kept = progress.entries(id);
    if (!kept || kept->isEmpty()) {
        return std::nullopt;
    }
    const QList<ProgressEntry> &entries = *kept;
    StoredProgress stored{tracking::reportProgress(entries, now), tracking::UpdateState::NoUpdate,
                          row->checked};
    stored.update = stored.report.status == DeliveryStatus::SignedFor ? tracking::UpdateState::SignedFor
                    : row->unseen                                     ? tracking::UpdateState::NewProgress
                                                                      : tracking::UpdateState::NoUpdate;
    return stored;
}
