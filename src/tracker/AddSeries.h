// Parcels added one after another through the tracker's own add, each waited for to its very end.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"
#include "tracker/QueryOutcome.h"
#include "tracker/TrackedParcel.h"

#include <QList>
#include <QObject>

#include <optional>

class ParcelTracker;

// How one add of a series went.
struct AddResult {
    enum class Kind {
        // Stored: the service knows the number.
        Added,
        // Stored although the service knows nothing of the number yet, as the user agreed.
        KeptUnknown,
        // The number is in the book already: nothing stored.
        AlreadyInBook,
        // Nothing stored; the failure says why.
        NotAdded,
    };
    Kind kind = Kind::NotAdded;
    // The new row, once stored.
    ParcelId id;
    // Why nothing was stored (the number in the book already, or what stopped the add); none once stored.
    std::optional<Failure> failure;
    // What the add's own request came to; its parcel is the one asked for.
    QueryOutcome outcome;

    bool stored() const { return kind == Kind::Added || kind == Kind::KeptUnknown; }
};

class AddSeries final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddSeries)

public:
    AddSeries(ParcelTracker &tracker, QObject *parent);

    // Adds the parcels in this order, each with its company's code, as the add page adds one: an add
    // ends when its answer is settled and nothing the tracker started for it (a window queries the
    // parcel it picks) still runs. Nothing while a series runs.
    void start(QList<TrackedParcel> parcels);
    // The parcels not yet begun are left; the add under way ends as the tracker ends it.
    void stop();
    bool running() const { return m_phase != Phase::Idle; }

Q_SIGNALS:
    // The add of parcel `position` (from 1) of `count` begins.
    void adding(int position, int count);
    void added(int position, const AddResult &result);
    // The last add has ended, or the series was stopped.
    void finished();

private:
    enum class Phase { Idle, Adding, Following };

    void next();
    // The add's request has ended; what follows it may still run.
    void addEnded(const QueryOutcome &outcome);
    // Ends the add once the tracker is idle; called again by the next end while it is not.
    void settle();

    ParcelTracker &m_tracker;
    QList<TrackedParcel> m_parcels;
    qsizetype m_position = 0;
    Phase m_phase = Phase::Idle;
    // Inside the tracker's addParcel, whose refusal is its returned Failure.
    bool m_asking = false;
    bool m_stopped = false;
    AddResult m_result;
    // Why the add's road stored nothing once its request was out.
    std::optional<Failure> m_failure;
};
