// The watch pass: the parcels not signed for queried a few at a time, each answer read, stored and
// announced by the tracker's rules, without a question to anyone.
#include "tracker/WatchPass.h"

#include "net/ServiceAddresses.h"
#include "platform/Platform.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "tracker/AnswerSettlement.h"
#include "tracker/TrackerFailure.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingRequest.h"

using tracking::TrackingAnswer;

WatchPass::WatchPass(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators)
    , m_recorder(m_with.parcels, m_with.progress, m_with.alerts) {}

// The requests still in flight are children: destroying them aborts their replies unheard.
WatchPass::~WatchPass() = default;

bool WatchPass::running() const {
    return m_running;
}

bool WatchPass::start() {
    // Without a tracking service there is nothing to watch, and nothing to say every few minutes.
    if (m_running || !m_with.tracking.isSet()) {
        return false;
    }
    m_checked = 0;
    m_failed = 0;
    m_quotaUsedUp = false;
    const Outcome<std::optional<QDate>> usedUpOn = m_with.progress.quotaUsedUpOn();
    if (usedUpOn.ok() && *usedUpOn == m_with.clock.now().date()) {
        Q_EMIT finished(0, 0, true);
        return false;
    }
    const Outcome<QList<ParcelId>> waiting =
        usedUpOn.ok() ? m_with.progress.notSignedFor() : Outcome<QList<ParcelId>>(usedUpOn.failure());
    if (!waiting) {
        Q_EMIT bookFailed(storeFailure(waiting.failure(), QStringLiteral("快递列表读取")));
        Q_EMIT finished(0, 0, false);
        return false;
    }
    m_waiting = *waiting;
    m_running = true;
    sendWhileRoom();
    // Nothing to ask (an empty book, every parcel signed for) ends the pass here, inside start(): the
    // caller learns it from the false, not by waiting for a `finished` that has come already.
    finishWhenDone();
    return m_running;
}

void WatchPass::sendWhileRoom() {
    while (!m_quotaUsedUp && m_inFlight.size() < mostInFlight && !m_waiting.isEmpty()) {
        const ParcelId id = m_waiting.takeFirst();
        const Outcome<std::optional<TrackedParcel>> parcel =
            readTrackedParcel(m_with.parcels, m_with.couriers, id);
        if (parcel.ok()) {
            if (*parcel) {
                send(**parcel);
            }
        } else {
            // This parcel cannot be read now; the others may well be.
            QueryOutcome outcome;
            outcome.parcel.id = id;
            // The book failed, not the service.
            outcome.bookFailure = storeFailure(parcel.failure(), QStringLiteral("快递信息读取"));
            ++m_checked;
            ++m_failed;
            Q_EMIT parcelChecked(outcome);
        }
    }
}

void WatchPass::send(const TrackedParcel &parcel) {
    auto *request = new TrackingRequest(m_with.web, m_with.tracking, parcel.companyCode, parcel.number,
                                        parcel.id, ++m_serial, this, {answerLimitSeconds, false});
    m_inFlight.append({request, parcel});
    connect(request, &TrackingRequest::answered, this,
            [this, request](const TrackingAnswer &answer) { arrived(request, answer); });
    connect(request, &TrackingRequest::timedOut, this,
            [this, request] { arrived(request, TrackingAnswer()); });
}

void WatchPass::arrived(TrackingRequest *request, const TrackingAnswer &answer) {
    const auto found = std::find_if(m_inFlight.begin(), m_inFlight.end(),
                                    [request](const InFlight &each) { return each.request == request; });
    if (found == m_inFlight.end()) {
        return;
    }
    const InFlight done = *found;
    m_inFlight.erase(found);
    request->deleteLater();

    if (tracking::quotaUsedUp(answer)) {
        noteQuotaUsedUp();
    }
    if (const std::optional<QueryOutcome> outcome = recordAnswer(done.parcel, answer)) {
        ++m_checked;
        m_failed += outcome->failed() ? 1 : 0;
        Q_EMIT parcelChecked(*outcome);
    }
    sendWhileRoom();
    finishWhenDone();
}

std::optional<QueryOutcome> WatchPass::recordAnswer(const TrackedParcel &sent, const TrackingAnswer &answer) {
    // The row read again: a parcel deleted meanwhile is skipped, and the count is the one stored now
    // (the window may have stored progress since the request went out).
    const Outcome<std::optional<TrackedParcel>> read =
        readTrackedParcel(m_with.parcels, m_with.couriers, sent.id);
    if (!read.ok()) {
        QueryOutcome outcome;
        outcome.parcel = sent;
        outcome.kind = answer.kind;
        outcome.code = answer.code;
        outcome.bookFailure = storeFailure(read.failure(), QStringLiteral("快递信息读取"));
        return outcome;
    }
    const std::optional<TrackedParcel> &parcel = *read;
    if (!parcel) {
        return std::nullopt;
    }
    const QDateTime now = m_with.clock.now();
    Settlement settled = settleAnswer(*parcel, answer, now, true);
    if (!settled.record) {
        return settled.outcome;
    }
    QueryOutcome &outcome = settled.outcome;
    // Nobody is looking: new progress waits unseen for the window.
    const Outcome<bool> recorded =
        m_recorder.record(*parcel, outcome.report, outcome.update, now, false, settled.announce);
    if (!recorded.ok()) {
        outcome.bookFailure = recorded.failure();
        return outcome;
    }
    if (!*recorded) {
        return std::nullopt;
    }
    outcome.message.clear();
    return outcome;
}

void WatchPass::noteQuotaUsedUp() {
    if (m_quotaUsedUp) {
        return;
    }
    m_quotaUsedUp = true;
    if (const Outcome<> kept = m_with.progress.setQuotaUsedUpOn(m_with.clock.now().date()); !kept) {
        Q_EMIT bookFailed(storeFailure(kept.failure(), QStringLiteral("查询次数记录")));
    }
}

void WatchPass::finishWhenDone() {
    if (!m_running || !m_inFlight.isEmpty() || (!m_waiting.isEmpty() && !m_quotaUsedUp)) {
        return;
    }
    m_running = false;
    m_waiting.clear();
    Q_EMIT finished(m_checked, m_failed, m_quotaUsedUp);
}
