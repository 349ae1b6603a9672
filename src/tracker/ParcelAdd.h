// The add's road once its request is out or could not go: what the add's answer comes to, the new row
// stored, its first answer announced, and a parcel without a usable answer kept on the user's word.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"
#include "tracker/QueryOutcome.h"
#include "tracker/TrackedParcel.h"
#include "tracking/TrackingAnswer.h"

#include <QObject>

#include <optional>

class Clock;
class Dialogs;
class ParcelStore;
class ProgressAlerts;

class ParcelAdd final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParcelAdd)

public:
    struct Collaborators {
        ParcelStore &parcels;
        const Clock &clock;
        // The save-anyway questions and their messages.
        Dialogs &dialogs;
        ProgressAlerts &alerts;
    };
    ParcelAdd(Collaborators collaborators, QObject *parent);

    // The add's own answer (not NoAnswer): the parcel is stored as it allows; the add ends here.
    void answered(const TrackedParcel &parcel, const tracking::TrackingAnswer &answer);
    // Asks whether to keep a parcel whose add got no usable answer, and stores it on Yes with the count
    // 0 (no pick, no query): its row id, or why nothing was stored.
    Outcome<ParcelId> keepUnanswered(const TrackedParcel &parcel);
    // No usable answer came (the limit passed, the transfer failed, the answer was garbage or an
    // error): the parcel is kept on the user's word, and the add ends.
    void endUnanswered(QueryOutcome outcome);
    // The add was dropped while it waited (the window went back to idle).
    void dropped(const TrackedParcel &parcel);

    // The parcel was just added and its first answer announced then: the query that follows shows the
    // same progress as new without announcing it again.
    bool firstAnswerAnnounced(ParcelId id) const { return m_quietFirstAnswer == id; }
    void firstAnswerShown() { m_quietFirstAnswer.reset(); }

Q_SIGNALS:
    void hint(const QString &text);
    // The add's request has come to this; nothing waits for it any longer.
    void ended(const QueryOutcome &outcome);
    // A new parcel was stored under this id; `query` when it should be picked (and so queried).
    void parcelAdded(ParcelId id, bool query);
    // The number to add is in the book already.
    void alreadyInBook(const QString &number);
    // Nothing was stored, and this is why (the user declined to keep it, the book refused it, the add
    // was dropped); a number already in the book is told by alreadyInBook instead.
    void failed(const Failure &failure);

private:
    // Stores the parcel; why not when the store refused.
    Outcome<ParcelId> storeNew(const TrackedParcel &parcel);
    // Whether a parcel of this number is in the book already.
    Outcome<bool> holds(const QString &number);
    // The add's own answer is the new parcel's first: its progress is announced once, here.
    void announceFirstAnswer(TrackedParcel parcel, ParcelId id, const tracking::TrackingAnswer &answer);
    // Says the failure on the hint line and to whoever follows the add; returns it.
    Failure fail(Failure failure);

    Collaborators m_with;
    std::optional<ParcelId> m_quietFirstAnswer;
};
