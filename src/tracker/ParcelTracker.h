// The road of a parcel without widgets: the current parcel and each query's lifecycle (request, its own
// ten-second limit, the parse, new progress stored and announced); an add's answer and the automatic modes
// have rooms of their own. The window, the command line and a background watch drive it and render what
// it emits; what it refuses comes back as a Failure.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"
#include "tracker/AnswerSettlement.h"
#include "tracker/ParcelDeletion.h"
#include "tracker/ProgressRecorder.h"
#include "tracker/QueryModes.h"
#include "tracker/QueryOutcome.h"
#include "tracker/TrackedParcel.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingAnswer.h"

#include <QObject>

#include <optional>

class CourierStore;
class Clock;
class Dialogs;
class ParcelAdd;
class ParcelStore;
class ProgressAlerts;
class ProgressStore;
class QTimer;
class TrackingRequest;
class WebClient;
struct TrackingService;

class ParcelTracker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParcelTracker)

public:
    struct Collaborators {
        WebClient &web;
        // The user may change the service while the program runs; a request takes it as it is then.
        const TrackingService &tracking;
        ParcelStore &parcels;
        CourierStore &couriers;
        const Clock &clock;
        // The keep-or-delete and save-anyway questions and their messages.
        Dialogs &dialogs;
        ProgressAlerts &alerts;
        ProgressStore &progress;
        // A window shows what it parses (so that progress is seen) and waits out a query that got
        // nothing back, so its user sees the anomaly message after ten seconds. A script has nobody
        // watching: new progress waits unseen for the window, and a silent service is given up at once.
        bool shownInWindow = true;
    };
    // When the book's connection has a feed, new progress others store for the current parcel (a
    // watch pass) is shown as the book now holds it: no query, no lock, no page closed.
    ParcelTracker(Collaborators collaborators, QObject *parent);
    ~ParcelTracker() override;

    // The parcel picked last; nothing before the first pick and after it left the book.
    const std::optional<TrackedParcel> &current() const { return m_current; }
    // The delivery status shown for the current parcel, from its last parse or from what the book
    // kept of it; nothing until either was shown.
    std::optional<DeliveryStatus> shownStatus() const { return m_shownStatus; }
    // A query (or an add) is waiting for its answer or its parse.
    bool busy() const;
    // Done when another parcel may be picked now; refused while a loop or timed query follows the
    // current parcel, or a query or an add waits for its answer.
    Outcome<> pickAllowed() const;

    // The parcel becomes current and is queried. The Failure (also said on the hint line) when it
    // cannot be read, is no longer in the book, an add is still waiting for its answer, or no tracking
    // service is set.
    Outcome<> selectParcel(ParcelId id) { return queryParcel(id, false); }
    // Reads the current parcel anew (its stored count may have changed) and queries it.
    Outcome<> queryCurrentParcel() { return queryCurrent(false); }
    // Asks the service about a parcel not yet in the book and stores it as its answer allows; the
    // current parcel stays as it is until the new one is stored. An add that gets no usable answer (the
    // limit passed, the transfer failed, the answer was garbage or an error, no service is set) asks
    // whether to keep the parcel unqueried. A Failure while an add waits, and when no service is set
    // and the parcel was not kept; once the request is out, addFailed says why nothing was stored.
    Outcome<> addParcel(const TrackedParcel &parcel);
    // Deletes the parcel's row after the user has confirmed, and tells the user how that went (also
    // when it fails: the Failure needs no more saying);
    // everything the tracker held of the parcel goes with it.
    Outcome<> deleteParcel(ParcelId id);
    // The parcel left the book by other means (a modify that failed to find it, say): what the tracker
    // held of it is forgotten, without touching the book.
    void forgetParcel(ParcelId id);
    // The book was emptied: no current parcel, no query, no mode.
    void forgetAll();
    // Drops the query still waiting (the window went back to idle): its reply is aborted and its
    // answer never applied. An add dropped this way says so.
    void abandonQuery();

    void startLoop(int minutes) { m_modes->startLoop(minutes); }
    void stopLoop() { m_modes->stopLoop(); }
    bool loopRunning() const { return m_modes->loopRunning(); }
    void startTimed(int hour, int minute) { m_modes->startTimed(hour, minute); }
    void stopTimed() { m_modes->stopTimed(); }
    bool timedArmed() const { return m_modes->timedArmed(); }

Q_SIGNALS:
    // A line for the hint line (or the terminal).
    void hint(const QString &text);
    // The parcel is current, read afresh from the book; nothing of its progress is shown yet.
    void parcelSelected(const TrackedParcel &parcel);
    // What the book kept of the current parcel's newest answer, shown while its query waits; the
    // update state is what the book knows (progress not yet seen, signed for, or nothing new).
    void storedProgressShown(const TrackedParcel &parcel, const tracking::ProgressReport &report,
                             tracking::UpdateState update);
    // A request went out for the parcel; its answer is awaited.
    void queryStarted(const TrackedParcel &parcel);
    // A successful parse of the current parcel: what to show and whether it is new.
    void progressShown(const TrackedParcel &parcel, const tracking::ProgressReport &report,
                       tracking::UpdateState update);
    // The query has ended (answered, failed, given up, abandoned); nothing waits any longer.
    void queryEnded(const QueryOutcome &outcome);
    // No answer came within ten seconds of the request: the query was given up.
    void gaveUp(const TrackedParcel &parcel);
    // A new parcel was stored under this id; `query` when it should be picked (and so queried).
    void parcelAdded(ParcelId id, bool query);
    // The number to add is in the book already.
    void alreadyInBook(const QString &number);
    // An add whose request went out stored nothing, and this is why.
    void addFailed(const Failure &failure);
    // The parcel's row is gone from the book; nothing lists or follows it any longer.
    // `byUser`: the user deleted it (a confirmed delete), rather than finding it gone.
    void parcelRemoved(ParcelId id, bool byUser);
    void modesChanged(bool loopRunning, bool timedArmed);

private:
    enum class Purpose { Query, Add };
    struct Pending {
        TrackingRequest *request = nullptr;
        TrackedParcel parcel;
        Purpose purpose = Purpose::Query;
        // Sent by a loop or timed tick.
        bool automatic = false;
    };

    // New progress stored for the current parcel by someone else: shown as the book now holds it, unless
    // that parcel is not on screen or a query of its own is waiting.
    void showStoredNews(ParcelId id);
    // Reads the row into a tracked parcel with its company's code; why not (said) without one.
    Outcome<TrackedParcel> readParcel(ParcelId id);
    // The refusal (said) while an add waits.
    Outcome<> noAddWaiting();
    Outcome<> queryParcel(ParcelId id, bool automatic);
    Outcome<> queryCurrent(bool automatic);
    // Shows what the book kept of the parcel's progress; when it was learnt, or nothing when the book
    // holds no entries of it (or cannot be read: the query goes on and its answer is shown).
    std::optional<QDateTime> showStoredProgress(const TrackedParcel &parcel);
    // The Failure (said) while no tracking service is set.
    Outcome<> send(const TrackedParcel &parcel, Purpose purpose, bool automatic);
    void arrived(TrackingRequest *request, const tracking::TrackingAnswer &answer);
    void queryAnswered(const Pending &pending, const tracking::TrackingAnswer &answer);
    // Tick of Timer1: the answer's entries become the report, shown, compared and announced.
    void parse();
    // Ends the query without an answer; transferFailure says why when the transfer itself failed.
    void giveUp(const QString &transferFailure = {});
    // Says the failure on the hint line and returns it.
    Failure said(Failure failure);

    Collaborators m_with;
    ProgressRecorder m_recorder;
    ParcelDeletion m_deletion;
    ParcelAdd *m_adds;
    QueryModes *m_modes;
    std::optional<TrackedParcel> m_current;
    // The tracker's own answer is being stored: the book's feed tells it nothing it does not know.
    bool m_recording = false;
    std::optional<DeliveryStatus> m_shownStatus;

    std::optional<Pending> m_pending;
    quint64 m_serial = 0;
    QTimer *m_parseTimer;
    // The settled answer waiting for the parse, with the query it answers.
    std::optional<Pending> m_parsing;
    Settlement m_settled;
};
