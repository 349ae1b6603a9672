// Reading back what the book kept of a parcel's progress.
#include "tracker/StoredProgress.h"

#include "store/ProgressStore.h"
#include "store/StoreError.h"

std::optional<StoredProgress> readStoredProgress(ProgressStore &progress, ParcelId id, const QDateTime &now) {
    std::optional<ProgressRow> row;
    QList<ProgressEntry> entries;
    try {
        row = progress.byParcel(id);
        if (row) {
            entries = progress.entries(id);
        }
    } catch (const StoreError &) {
        return std::nullopt;
    }
    if (!row || entries.isEmpty()) {
        return std::nullopt;
    }
    StoredProgress stored{tracking::reportProgress(entries, now), tracking::UpdateState::NoUpdate,
                          row->checked};
    stored.update = stored.report.status == DeliveryStatus::SignedFor ? tracking::UpdateState::SignedFor
                    : row->unseen                                     ? tracking::UpdateState::NewProgress
                                                                      : tracking::UpdateState::NoUpdate;
    return stored;
}
