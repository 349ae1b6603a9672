// The day the current parcel is expected, shown in the status panel whenever its progress is.
#pragma once

#include "tracker/TrackedParcel.h"
#include "tracking/ProgressReport.h"

#include <QObject>

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
    };
    EstimateView(Collaborators collaborators, QObject *parent);

private:
    // Reads the book's delivered parcels anew each time, so a parcel signed for since counts at once.
    void showEstimate(const TrackedParcel &parcel, const tracking::ProgressReport &report);

    Collaborators m_with;
};
