// The day the current parcel is expected, shown in the status panel whenever its progress is.
#pragma once

#include "tracker/TrackedParcel.h"
#include "tracking/DeliveryEstimate.h"
#include "tracking/ProgressReport.h"

#include <QObject>

class BookFeed;
class Clock;
class ParcelTracker;
class ProgressStore;
class StatusPanel;

class EstimateView final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EstimateView)

public:
    struct Collaborators {
        ParcelTracker &tracker;
        ProgressStore &progress;
        const Clock &clock;
        StatusPanel &status;
        // What the book says changed; the history is read again after a change, not at every pick.
        BookFeed *feed;
    };
    EstimateView(Collaborators collaborators, QObject *parent);

private:
    void showEstimate(const TrackedParcel &parcel, const tracking::ProgressReport &report);

    Collaborators m_with;
    // The book's delivered parcels as last read: kept while the book says nothing changed (a pick is
    // a frame, the read a whole-book statement), so a parcel signed for since counts at once.
    std::optional<tracking::DeliveryHistory> m_history;
};
