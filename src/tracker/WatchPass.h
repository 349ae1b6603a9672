// One pass over every parcel not known to be signed for, in the background: at most four requests in
// flight, each answer stored and announced as a query's is, a failing parcel reported while the pass goes
// on, and the service's daily quota ending it for the day.
#pragma once

#include "tracker/QueryOutcome.h"

#include <QObject>

class Clock;
class CourierStore;
class ParcelStore;
class ProgressAlerts;
class ProgressStore;
class WebClient;

class WatchPass final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WatchPass)

public:
    struct Collaborators {
        WebClient &web;
        QString trackingAddress;
        ParcelStore &parcels;
        CourierStore &couriers;
        ProgressStore &progress;
        const Clock &clock;
        ProgressAlerts &alerts;
    };
    static constexpr int mostInFlight = 4;

    WatchPass(Collaborators collaborators, QObject *parent);
    ~WatchPass() override;

    // Starts a pass over the parcels not signed for; false when one is running already, or when the
    // service said today's queries are used up (then `finished` follows at once with quotaUsedUp).
    bool start();
    bool running() const;

Q_SIGNALS:
    // One parcel's query has ended: answered (stored and announced as needed), failed or unanswered.
    void parcelChecked(const QueryOutcome &outcome);
    // The pass is over: how many parcels were checked, how many of them failed, and whether the
    // service's daily quota ended it early.
    void finished(int checked, int failed, bool quotaUsedUp);
};
