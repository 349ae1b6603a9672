// The tracker: the current parcel, its queries and their answers, new progress, and deletes.
#include "tracker/ParcelTracker.h"

#include "net/ServiceAddresses.h"
#include "platform/Platform.h"
#include "store/BookFeed.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "tracker/AnswerSettlement.h"
#include "tracker/ParcelAdd.h"
#include "tracker/ParcelDeletion.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/StoredProgress.h"
#include "tracker/TrackerFailure.h"
#include "tracking/TrackingRequest.h"

#include <QScopedValueRollback>
#include <QTimer>

using tracking::AnswerKind;
using tracking::TrackingAnswer;

namespace {

// Seconds a query may wait for its answer, each counted from that query's own request.
constexpr int answerLimitSeconds = 10;

// An outcome with nothing learnt yet: no progress, so nothing new.
QueryOutcome outcomeOf(const TrackedParcel &parcel, AnswerKind kind) {
    QueryOutcome outcome;
    outcome.parcel = parcel;
    outcome.kind = kind;
    return outcome;
}

} // namespace

ParcelTracker::ParcelTracker(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators)
    , m_recorder(m_with.parcels, m_with.progress, m_with.alerts)
    , m_deletion(m_with.parcels, m_with.dialogs)
    , m_adds(new ParcelAdd({m_with.parcels, m_with.clock, m_with.dialogs, m_with.alerts}, this))
    , m_modes(new QueryModes(
          m_with.clock, m_with.progress, [this] { return queryCurrent(true); }, this))
    , m_parseTimer(new QTimer(this)) {
    // The parse runs 100 ms after the answer, so the window repaints first.
    m_parseTimer->setObjectName(QStringLiteral("Timer1"));
    m_parseTimer->setInterval(100);
    m_parseTimer->setSingleShot(true);
    connect(m_parseTimer, &QTimer::timeout, this, &ParcelTracker::parse);
    connect(&m_with.alerts, &ProgressAlerts::hint, this, &ParcelTracker::hint);
    connect(m_modes, &QueryModes::hint, this, &ParcelTracker::hint);
    connect(m_modes, &QueryModes::modesChanged, this, &ParcelTracker::modesChanged);
    connect(m_adds, &ParcelAdd::hint, this, &ParcelTracker::hint);
    connect(m_adds, &ParcelAdd::ended, this, &ParcelTracker::queryEnded);
    connect(m_adds, &ParcelAdd::parcelAdded, this, &ParcelTracker::parcelAdded);
    connect(m_adds, &ParcelAdd::alreadyInBook, this, &ParcelTracker::alreadyInBook);
    connect(m_adds, &ParcelAdd::failed, this, &ParcelTracker::addFailed);
    if (BookFeed *feed = m_with.parcels.database().feed()) {
        connect(feed, &BookFeed::progressStored, this, [this](ParcelId id, bool newProgress) {
            if (newProgress && !m_recording) {
                showStoredNews(id);
            }
        });
    }
}

ParcelTracker::~ParcelTracker() {
    if (m_pending) {
        delete m_pending->request;
    }
}

bool ParcelTracker::busy() const {
    return m_pending.has_value() || m_parsing.has_value();
}

Outcome<> ParcelTracker::pickAllowed() const {
    if (loopRunning() || timedArmed()) {
        return refusal(QStringLiteral("循环查询或定时查询进行中,请先停止再选择其他快递.."));
    }
    if (m_pending && m_pending->purpose == Purpose::Add) {
        return refusal(QStringLiteral("正在添加新快递,请稍候.."));
    }
    if (busy()) {
        return refusal(QStringLiteral("正在查询,请稍候再选择其他快递.."));
    }
    return {};
}

Outcome<TrackedParcel> ParcelTracker::readParcel(ParcelId id) {
    const Outcome<std::optional<TrackedParcel>> parcel =
        readTrackedParcel(m_with.parcels, m_with.couriers, id);
    if (!parcel.ok()) {
        return said(storeFailure(parcel.failure(), QStringLiteral("快递信息读取")));
    }
    if (!*parcel) {
        forgetParcel(id);
        const Failure gone = said(refusal(parcelGoneText()));
        Q_EMIT parcelRemoved(id, false);
        return gone;
    }
    return **parcel;
}

Outcome<> ParcelTracker::noAddWaiting() {
    if (m_pending && m_pending->purpose == Purpose::Add) {
        return said(refusal(QStringLiteral("正在添加新快递,请稍候..")));
    }
    return {};
}

Outcome<> ParcelTracker::queryCurrent(bool automatic) {
    if (!m_current) {
        return said(refusal(QStringLiteral("请先选择快递..")));
    }
    return queryParcel(m_current->id, automatic);
}

void ParcelTracker::showStoredNews(ParcelId id) {
    if (!m_current || m_current->id != id || busy()) {
        return;
    }
    const Outcome<TrackedParcel> parcel = readParcel(id);
    if (!parcel) {
        return;
    }
    m_current = *parcel;
    if (const std::optional<QDateTime> learnt = showStoredProgress(*parcel)) {
        Q_EMIT hint(
            QStringLiteral("后台检查于 %1 查到新进度..").arg(learnt->toString(QStringLiteral("HH:mm"))));
    }
}

Outcome<> ParcelTracker::queryParcel(ParcelId id, bool automatic) {
    if (Outcome<> free = noAddWaiting(); !free) {
        return free;
    }
    const Outcome<TrackedParcel> parcel = readParcel(id);
    if (!parcel) {
        return parcel.failure();
    }
    m_current = *parcel;
    m_shownStatus.reset();
    Q_EMIT parcelSelected(*parcel);
    const std::optional<QDateTime> learnt = showStoredProgress(*parcel);
    Q_EMIT hint(QStringLiteral("未查询"));
    if (Outcome<> sent = send(*parcel, Purpose::Query, automatic); !sent) {
        return sent;
    }
    if (learnt) {
        Q_EMIT hint(QStringLiteral("已显示 %1 查到的进度,正在查询最新进度...")
                        .arg(learnt->toString(QStringLiteral("M月d日 HH:mm"))));
    }
    return {};
}

std::optional<QDateTime> ParcelTracker::showStoredProgress(const TrackedParcel &parcel) {
    // A script prints answers only; what the book kept is for the window's user to look at meanwhile.
    if (!m_with.shownInWindow) {
        return std::nullopt;
    }
    const std::optional<StoredProgress> stored =
        readStoredProgress(m_with.progress, parcel.id, m_with.clock.now());
    if (!stored) {
        return std::nullopt;
    }
    // What the window shows is what the modes go by, whether the book or the service said it.
    m_shownStatus = stored->report.status;
    Q_EMIT storedProgressShown(parcel, stored->report, stored->update);
    return stored->learnt;
}

Outcome<> ParcelTracker::addParcel(const TrackedParcel &parcel) {
    if (Outcome<> free = noAddWaiting(); !free) {
        return free;
    }
    Q_EMIT hint(QStringLiteral("未查询"));
    if (send(parcel, Purpose::Add, false)) {
        return {};
    }
    // Nothing could be asked (no tracking service is set): what was typed is kept on the user's word.
    const Outcome<ParcelId> kept = m_adds->keepUnanswered(parcel);
    return kept ? Outcome<>() : Outcome<>(kept.failure());
}

Outcome<> ParcelTracker::send(const TrackedParcel &parcel, Purpose purpose, bool automatic) {
    // The new request replaces the one still waiting (it is aborted) and an answer not yet parsed.
    if (!m_with.tracking.isSet()) {
        // Nothing can be asked: said at once, with no request and so no ten-second wait.
        return said(refusal(servicesfile::trackingMissingText()));
    }
    if (m_pending) {
        delete m_pending->request;
    }
    m_parseTimer->stop();
    m_parsing.reset();
    auto *request =
        new TrackingRequest(m_with.web, m_with.tracking, parcel.companyCode, parcel.number, parcel.id,
                            ++m_serial, this, {answerLimitSeconds, m_with.shownInWindow});
    m_pending = Pending{request, parcel, purpose, automatic};
    connect(request, &TrackingRequest::answered, this,
            [this, request](const TrackingAnswer &answer) { arrived(request, answer); });
    connect(request, &TrackingRequest::timedOut, this, [this, request] {
        if (m_pending && m_pending->request == request) {
            giveUp();
        }
    });
    Q_EMIT queryStarted(parcel);
    Q_EMIT hint(parcel.company + QStringLiteral(":") + parcel.goods + QStringLiteral("查询中..."));
    return {};
}

void ParcelTracker::arrived(TrackingRequest *request, const TrackingAnswer &answer) {
    // Only the newest request is heard; an older one was aborted when it was replaced.
    if (!m_pending || m_pending->request != request) {
        return;
    }
    request->deleteLater();
    m_pending->request = nullptr;
    if (answer.kind == AnswerKind::NoAnswer) {
        // Only a script hears of it at once; a window's request waits out its ten seconds.
        giveUp(answer.message);
        return;
    }
    const Pending pending = *std::exchange(m_pending, std::nullopt);
    if (pending.purpose == Purpose::Add) {
        m_adds->answered(pending.parcel, answer);
    } else {
        queryAnswered(pending, answer);
    }
}

void ParcelTracker::queryAnswered(const Pending &pending, const TrackingAnswer &answer) {
    const ParcelId id = pending.parcel.id;
    // A parcel deleted or cleared while its query waited is gone: nothing is stored, nothing announced.
    // A book that cannot be read here is no proof of a deleted row: the answer goes on, and the
    // count write after the parse says what failed.
    const Outcome<bool> stillThere = m_with.parcels.exists(id);
    if (stillThere.ok() && !*stillThere) {
        QueryOutcome outcome = outcomeOf(pending.parcel, answer.kind);
        outcome.code = answer.code;
        outcome.message = parcelGoneText();
        forgetParcel(id);
        Q_EMIT hint(outcome.message);
        Q_EMIT queryEnded(outcome);
        Q_EMIT parcelRemoved(id, false);
        return;
    }
    // A parcel just added: its first answer was shown when it was added, so the query that follows
    // announces nothing.
    Settlement settled = settleAnswer(pending.parcel, answer, m_with.clock.now(),
                                      !m_adds->firstAnswerAnnounced(pending.parcel.id));
    if (settled.record) {
        m_parsing = pending;
        m_settled = std::move(settled);
        m_parseTimer->start();
        return;
    }
    if (!settled.hint.isEmpty()) {
        Q_EMIT hint(settled.hint);
    }
    if (answer.kind == AnswerKind::NotKnown && m_deletion.confirmUnknownGoes() && m_deletion.remove(id)) {
        forgetParcel(id);
        // The window is given back before the next parcel is picked, so that query keeps it locked.
        Q_EMIT queryEnded(settled.outcome);
        Q_EMIT parcelRemoved(id, true);
        return;
    }
    m_modes->noteQuota(pending.automatic, answer);
    Q_EMIT queryEnded(settled.outcome);
}

Outcome<> ParcelTracker::deleteParcel(ParcelId id) {
    Outcome<> removed = m_deletion.remove(id);
    if (removed) {
        forgetParcel(id);
        Q_EMIT parcelRemoved(id, true);
    }
    return removed;
}

void ParcelTracker::parse() {
    if (!m_parsing) {
        return;
    }
    const Pending pending = *std::exchange(m_parsing, std::nullopt);
    const Settlement settled = std::exchange(m_settled, {});
    const TrackedParcel &parcel = pending.parcel;
    // An answer for a parcel that is no longer current shows nothing.
    if (!m_current || m_current->id != parcel.id) {
        Q_EMIT queryEnded(outcomeOf(parcel, AnswerKind::Success));
        return;
    }
    QueryOutcome outcome = settled.outcome;
    // New progress is stored before anything is shown: a row that went meanwhile shows nothing.
    m_adds->firstAnswerShown();
    const Outcome<bool> recorded = [&] {
        const QScopedValueRollback recording(m_recording, true);
        return m_recorder.record(parcel, outcome.report, outcome.update, m_with.clock.now(),
                                 m_with.shownInWindow, settled.announce);
    }();
    if (recorded.ok() && !*recorded) {
        outcome.message = parcelGoneText();
        forgetParcel(parcel.id);
        Q_EMIT hint(outcome.message);
        Q_EMIT queryEnded(outcome);
        Q_EMIT parcelRemoved(parcel.id, false);
        return;
    }
    if (recorded.ok()) {
        if (settled.countToStore) {
            m_current->storedCount = settled.countToStore;
        }
    } else {
        // Whoever drives the query hears that the book did not keep it, and why.
        outcome.bookFailure = recorded.failure();
    }
    m_shownStatus = outcome.report.status;
    // A failed store puts its reason on the hint line; the advice would hide it.
    Q_EMIT hint(recorded.ok() ? settled.hint : recorded.failure().reason);
    Q_EMIT progressShown(parcel, outcome.report, outcome.update);
    Q_EMIT queryEnded(outcome);
}

void ParcelTracker::giveUp(const QString &transferFailure) {
    if (!m_pending) {
        return;
    }
    const Pending pending = *std::exchange(m_pending, std::nullopt);
    // Its own limit may be what gave up, so it goes once that has been said.
    if (pending.request) {
        pending.request->deleteLater();
    }
    Q_EMIT gaveUp(pending.parcel);
    TrackingAnswer none;
    none.message = transferFailure;
    const QueryOutcome outcome = settleAnswer(pending.parcel, none, m_with.clock.now(), false).outcome;
    if (pending.purpose == Purpose::Add) {
        m_adds->endUnanswered(outcome);
    } else {
        Q_EMIT queryEnded(outcome);
    }
}

void ParcelTracker::abandonQuery() {
    m_parseTimer->stop();
    m_parsing.reset();
    if (!m_pending) {
        return;
    }
    const Pending pending = *std::exchange(m_pending, std::nullopt);
    delete pending.request;
    if (pending.purpose == Purpose::Add) {
        m_adds->dropped(pending.parcel);
    }
}

void ParcelTracker::forgetParcel(ParcelId id) {
    if (m_pending && m_pending->purpose == Purpose::Query && m_pending->parcel.id == id) {
        delete m_pending->request;
        m_pending.reset();
    }
    if (m_parsing && m_parsing->parcel.id == id) {
        m_parseTimer->stop();
        m_parsing.reset();
    }
    if (m_current && m_current->id == id) {
        m_current.reset();
        m_shownStatus.reset();
        m_modes->stopBoth();
    }
}

void ParcelTracker::forgetAll() {
    if (m_pending && m_pending->purpose == Purpose::Query) {
        forgetParcel(m_pending->parcel.id);
    }
    if (m_parsing) {
        forgetParcel(m_parsing->parcel.id);
    }
    if (m_current) {
        forgetParcel(m_current->id);
    }
}

Failure ParcelTracker::said(Failure failure) {
    Q_EMIT hint(failure.reason);
    return failure;
}
