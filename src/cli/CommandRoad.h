// The window's road for one command: the same tracker, its answers stored and announced alike (no sound).
#pragma once

#include "cli/CommandContext.h"
#include "cli/TerminalSeams.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "text/Failure.h"
#include "tracker/AddSeries.h"
#include "tracker/ParcelTracker.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/QueryOutcome.h"
#include "tracker/UserSettings.h"
#include "tracking/DeliveryEstimate.h"

#include <functional>
#include <optional>

class Database;

class CommandRoad final {
public:
    CommandRoad(const CommandContext &context, Database &db);
    // New progress is not left unmailed when the command ends, whatever ended it.
    ~CommandRoad();

    // The user's settings read from the book, before any work.
    Outcome<> loadSettings();
    // Waits for the mails still being sent; false when one was not sent (said on the error stream).
    bool mailsSent();
    // The book failed a read that only added to what a command says (an expected day, a state); the
    // command says so and ends as a book that could not be used.
    const std::optional<Failure> &bookFailure() const { return m_bookFailure; }
    // Queries the parcel through the tracker and waits for the query to end.
    QueryOutcome query(const ParcelRow &parcel);
    // Adds the parcel through the tracker as the window's add page does, and waits for the add to end.
    AddResult add(const TrackedParcel &parcel);
    // The number's company as the recognition service names it and the directory holds it, or why it
    // cannot be recognised.
    Outcome<CourierRow> recognise(const QString &number);
    // When the answered parcel may be expected, from the book's delivered parcels as they stood at the
    // command's first answer (read once, however many parcels it queries).
    std::optional<DeliveryEstimate> estimate(const QueryOutcome &outcome);
    // Where the parcel stands by what the book now keeps of its progress (stateKey).
    QString stateOf(ParcelId parcel);

    struct WatchSummary {
        int checked = 0;
        int newProgress = 0;
        bool quotaUsedUp = false;
        bool bookFailed = false;
    };
    // One watch pass over the book, each parcel's outcome handed on as it comes; waits for its end.
    WatchSummary watch(const std::function<void(const QueryOutcome &)> &checked);

private:
    const CommandContext &m_context;
    ParcelStore m_parcels;
    CourierStore m_couriers;
    ProgressStore m_progress;
    // Read once per command, before anything is queried.
    UserSettings m_settings;
    TerminalDialogs m_dialogs;
    CommandClock m_clock;
    WebClient &m_web;
    ProgressAlerts m_alerts;
    ParcelTracker m_tracker;
    std::optional<tracking::DeliveryHistory> m_history;
    std::optional<Failure> m_bookFailure;
    bool m_mailFailed = false;
    // mailsSent() has waited for the mail already; the end of the command need not wait again.
    bool m_mailSettled = false;
};

// Without a tracking service nothing can be asked: said on the error stream before the book is locked,
// unless the one given was set aside, which the start has said already.
bool trackingServiceMissing(const CommandContext &context);
