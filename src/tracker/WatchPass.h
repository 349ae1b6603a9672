// One pass over every parcel not known to be signed for, in the background: at most four requests in
// flight, each answer stored and announced as a query's is, a failing parcel reported while the pass goes
// on, and the service's daily quota ending it for the day.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"
#include "tracker/ProgressRecorder.h"
#include "tracker/QueryOutcome.h"

#include <QList>
#include <QObject>

class Clock;
class CourierStore;
class ParcelStore;
class ProgressAlerts;
class ProgressStore;
class TrackingRequest;
class WebClient;
struct TrackingService;

class WatchPass final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WatchPass)

public:
    struct Collaborators {
        WebClient &web;
        // The user may change the service while the program runs; a request takes it as it is then.
        const TrackingService &tracking;
        ParcelStore &parcels;
        CourierStore &couriers;
        ProgressStore &progress;
        const Clock &clock;
        ProgressAlerts &alerts;
    };
    static constexpr int mostInFlight = 4;
    // Each request's own limit: a silent service is given up on after this many seconds.
    static constexpr int answerLimitSeconds = 10;

    WatchPass(Collaborators collaborators, QObject *parent);
    ~WatchPass() override;

    // Starts a pass over the parcels not signed for: true while it runs, `finished` then comes later.
    // False when one is running already or no tracking service is set (nothing is emitted), or when
    // the pass ended at once (`finished` has been emitted before start() returns): the service said
    // today's queries are used up (quotaUsedUp), the book could not be read, or there was nothing to ask.
    bool start();
    bool running() const;

Q_SIGNALS:
    // One parcel's query has ended: answered (stored and announced as needed), failed or unanswered.
    void parcelChecked(const QueryOutcome &outcome);
    // The pass is over: how many parcels were checked, how many of them failed, and whether the
    // service's daily quota ended it early.
    void finished(int checked, int failed, bool quotaUsedUp);
    // The book could not be read (the pass ends) or could not keep the used-up day.
    void bookFailed(const Failure &failure);

private:
    struct InFlight {
        TrackingRequest *request = nullptr;
        TrackedParcel parcel;
    };

    void sendWhileRoom();
    void send(const TrackedParcel &parcel);
    void arrived(TrackingRequest *request, const tracking::TrackingAnswer &answer);
    // What the answer comes to, stored and announced as the tracker would; nothing when the parcel
    // left the book meanwhile.
    std::optional<QueryOutcome> recordAnswer(const TrackedParcel &sent,
                                             const tracking::TrackingAnswer &answer);
    void noteQuotaUsedUp();
    void finishWhenDone();

    Collaborators m_with;
    ProgressRecorder m_recorder;
    bool m_running = false;
    QList<ParcelId> m_waiting;
    QList<InFlight> m_inFlight;
    quint64 m_serial = 0;
    int m_checked = 0;
    int m_failed = 0;
    bool m_quotaUsedUp = false;
};
