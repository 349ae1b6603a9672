// The tracker: queries, their answers, new progress, adds, deletes and the automatic modes.
#include "tracker/ParcelTracker.h"

#include "net/ServiceAddresses.h"
#include "platform/Platform.h"
#include "store/BookFeed.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/StoreError.h"
#include "tracker/AnswerSettlement.h"
#include "tracker/ProgressAlerts.h"
#include "tracking/TrackingRequest.h"
#include "tracking/TrackingText.h"

#include <QScopedValueRollback>
#include <QTimer>

using tracking::AnswerKind;
using tracking::TrackingAnswer;

namespace {

const QString messageTitle = QStringLiteral("岚舟系列软件");
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
    , m_with(std::move(collaborators))
    , m_recorder(m_with.parcels, m_with.progress, m_with.alerts)
    , m_parseTimer(new QTimer(this))
    , m_loopTimer(new QTimer(this))
    , m_timedTimer(new QTimer(this)) {
    // The parse runs 100 ms after the answer, so the window repaints first.
    m_parseTimer->setObjectName(QStringLiteral("Timer1"));
    m_parseTimer->setInterval(100);
    m_parseTimer->setSingleShot(true);
    connect(m_parseTimer, &QTimer::timeout, this, &ParcelTracker::parse);
    m_loopTimer->setObjectName(QStringLiteral("Timer6"));
    m_loopTimer->setInterval(60000);
    connect(m_loopTimer, &QTimer::timeout, this, &ParcelTracker::loopTick);
    m_timedTimer->setObjectName(QStringLiteral("Timer4"));
    m_timedTimer->setInterval(1000);
    connect(m_timedTimer, &QTimer::timeout, this, &ParcelTracker::timedTick);
    connect(&m_with.alerts, &ProgressAlerts::hint, this, &ParcelTracker::hint);
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

std::optional<QString> ParcelTracker::pickRefusal() const {
    if (m_loopRunning || m_timedAt) {
        return QStringLiteral("循环查询或定时查询进行中,请先停止再选择其他快递..");
    }
    if (m_pending && m_pending->purpose == Purpose::Add) {
        return QStringLiteral("正在添加新快递,请稍候..");
    }
    if (busy()) {
        return QStringLiteral("正在查询,请稍候再选择其他快递..");
    }
    return std::nullopt;
}

std::optional<TrackedParcel> ParcelTracker::readParcel(ParcelId id) {
    try {
        std::optional<TrackedParcel> parcel = readTrackedParcel(m_with.parcels, m_with.couriers, id);
        if (!parcel) {
            forget(id);
            Q_EMIT hint(parcelGoneText());
            Q_EMIT parcelRemoved(id, false);
        }
        return parcel;
    } catch (const StoreError &error) {
        Q_EMIT hint(error.failureText(QStringLiteral("快递信息读取")));
        return std::nullopt;
    }
}

bool ParcelTracker::addInFlight() {
    const bool adding = (m_pending && m_pending->purpose == Purpose::Add);
    if (adding) {
        Q_EMIT hint(QStringLiteral("正在添加新快递,请稍候.."));
    }
    return adding;
}

bool ParcelTracker::selectParcel(ParcelId id) {
    return queryParcel(id, false);
}

bool ParcelTracker::queryCurrentParcel() {
    if (!m_current) {
        Q_EMIT hint(QStringLiteral("请先选择快递.."));
        return false;
    }
    return queryParcel(m_current->id, false);
}

bool ParcelTracker::showStoredNews(ParcelId id) {
    if (!m_current || m_current->id != id || busy()) {
        return false;
    }
    const std::optional<TrackedParcel> parcel = readParcel(id);
    if (!parcel) {
        return false;
    }
    m_current = parcel;
    const std::optional<QDateTime> learnt = showStoredProgress(*parcel);
    if (learnt) {
        Q_EMIT hint(
            QStringLiteral("后台检查于 %1 查到新进度..").arg(learnt->toString(QStringLiteral("HH:mm"))));
    }
    return learnt.has_value();
}

bool ParcelTracker::queryParcel(ParcelId id, bool automatic) {
    if (addInFlight()) {
        return false;
    }
    const std::optional<TrackedParcel> parcel = readParcel(id);
    if (!parcel) {
        return false;
    }
    m_current = parcel;
    m_shownStatus.reset();
    Q_EMIT parcelSelected(*parcel);
    const std::optional<QDateTime> learnt = showStoredProgress(*parcel);
    Q_EMIT hint(QStringLiteral("未查询"));
    if (!send(*parcel, Purpose::Query, automatic)) {
        return false;
    }
    if (learnt) {
        Q_EMIT hint(QStringLiteral("已显示 %1 查到的进度,正在查询最新进度...")
                        .arg(learnt->toString(QStringLiteral("M月d日 HH:mm"))));
    }
    return true;
}

std::optional<QDateTime> ParcelTracker::showStoredProgress(const TrackedParcel &parcel) {
    // A script prints answers only; what the book kept is for the window's user to look at meanwhile.
    if (!m_with.shownInWindow) {
        return std::nullopt;
    }
    std::optional<ProgressRow> row;
    QList<ProgressEntry> entries;
    try {
        row = m_with.progress.byParcel(parcel.id);
        if (row) {
            entries = m_with.progress.entries(parcel.id);
        }
    } catch (const StoreError &) {
        return std::nullopt;
    }
    if (!row || entries.isEmpty()) {
        return std::nullopt;
    }
    const tracking::ProgressReport report = tracking::reportProgress(entries, m_with.clock.now());
    const tracking::UpdateState update = report.status == DeliveryStatus::SignedFor
                                             ? tracking::UpdateState::SignedFor
                                         : row->unseen ? tracking::UpdateState::NewProgress
                                                       : tracking::UpdateState::NoUpdate;
    // What the window shows is what the modes go by, whether the book or the service said it.
    m_shownStatus = report.status;
    Q_EMIT storedProgressShown(parcel, report, update);
    return row->checked;
}

bool ParcelTracker::addParcel(const TrackedParcel &parcel) {
    if (addInFlight()) {
        return false;
    }
    Q_EMIT hint(QStringLiteral("未查询"));
    return send(parcel, Purpose::Add, false);
}

bool ParcelTracker::send(const TrackedParcel &parcel, Purpose purpose, bool automatic) {
    // The new request replaces the one still waiting (it is aborted) and an answer not yet parsed.
    if (!m_with.tracking.isSet()) {
        // Nothing can be asked: said at once, with no request and so no ten-second wait.
        Q_EMIT hint(servicesfile::trackingMissingText());
        return false;
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
    return true;
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
        addAnswered(pending, answer);
    } else {
        queryAnswered(pending, answer);
    }
}

void ParcelTracker::queryAnswered(const Pending &pending, const TrackingAnswer &answer) {
    const ParcelId id = pending.parcel.id;
    // A parcel deleted or cleared while its query waited is gone: nothing is stored, nothing announced.
    // A book that cannot be read here is no proof of a deleted row: the answer goes on, and the
    // count write after the parse says what failed.
    bool stillThere = true;
    try {
        stillThere = m_with.parcels.exists(id);
    } catch (const StoreError &) {
        stillThere = true;
    }
    if (!stillThere) {
        QueryOutcome outcome = outcomeOf(pending.parcel, answer.kind);
        outcome.code = answer.code;
        outcome.message = parcelGoneText();
        forget(id);
        Q_EMIT hint(outcome.message);
        end(outcome);
        Q_EMIT parcelRemoved(id, false);
        return;
    }
    // A parcel just added: its first answer was shown when it was added, so the query that follows
    // announces nothing.
    Settlement settled =
        settleAnswer(pending.parcel, answer, m_with.clock.now(), m_quietFirstAnswer != pending.parcel.id);
    if (settled.record) {
        m_parsing = pending;
        m_settled = std::move(settled);
        m_parseTimer->start();
        return;
    }
    if (!settled.hint.isEmpty()) {
        Q_EMIT hint(settled.hint);
    }
    if (answer.kind == AnswerKind::NotKnown && keepOrDelete(pending.parcel)) {
        // The window is given back before the next parcel is picked, so that query keeps it locked.
        end(settled.outcome);
        Q_EMIT parcelRemoved(id, true);
        return;
    }
    noteQuota(pending, answer);
    end(settled.outcome);
}

bool ParcelTracker::keepOrDelete(const TrackedParcel &parcel) {
    Dialogs &dialogs = m_with.dialogs;
    if (dialogs.ask(messageTitle,
                    QStringLiteral("您好,您当前查询的快递单号已不存在,是否保留?\n\n"
                                   "如果此快递单号是您刚添加不久,建议几小时后再来查询"),
                    DefaultAnswer::Yes) ||
        !dialogs.ask(messageTitle, QStringLiteral("二次防误操作：确认要删除此快递单号?"),
                     DefaultAnswer::No)) {
        return false;
    }
    return removeRow(parcel.id);
}

bool ParcelTracker::removeRow(ParcelId id) {
    Dialogs &dialogs = m_with.dialogs;
    try {
        if (!m_with.parcels.remove(id)) {
            // Someone else deleted it first: it is gone all the same, and the user is told so.
            dialogs.inform(messageTitle, parcelGoneText(), MessageIcon::Information);
            forget(id);
            return true;
        }
    } catch (const StoreError &error) {
        dialogs.inform(messageTitle, error.failureText(QStringLiteral("快递信息删除")),
                       MessageIcon::Information);
        return false;
    }
    forget(id);
    dialogs.inform(messageTitle, QStringLiteral("快递信息已删除!"), MessageIcon::Information);
    return true;
}

bool ParcelTracker::deleteParcel(ParcelId id) {
    if (!removeRow(id)) {
        return false;
    }
    Q_EMIT parcelRemoved(id, true);
    return true;
}

void ParcelTracker::addAnswered(const Pending &pending, const TrackingAnswer &answer) {
    QueryOutcome outcome = outcomeOf(pending.parcel, answer.kind);
    outcome.code = answer.code;
    outcome.message = answer.message;
    const TrackedParcel &parcel = pending.parcel;
    Dialogs &dialogs = m_with.dialogs;
    try {
        switch (answer.kind) {
        case AnswerKind::NoAnswer:
            return;
        case AnswerKind::Success:
            end(outcome);
            if (!m_with.parcels.byNumber(parcel.number).isEmpty()) {
                dialogs.inform(messageTitle, QStringLiteral("快递数据已存在!"), MessageIcon::Information);
                Q_EMIT alreadyInBook(parcel.number);
            } else if (const std::optional<ParcelId> id = storeNew(parcel)) {
                announceFirstAnswer(parcel, *id, answer);
                // The new parcel becomes current through the selection of its own entry.
                Q_EMIT parcelAdded(*id, true);
            }
            return;
        case AnswerKind::NotKnown:
            if (!dialogs.ask(messageTitle,
                             QStringLiteral("您好,您当前输入的单号不存在有效信息,是否先进行保存?"),
                             DefaultAnswer::Yes)) {
                end(outcome);
                return;
            }
            if (!m_with.parcels.byNumber(parcel.number).isEmpty()) {
                dialogs.inform(messageTitle, QStringLiteral("快递数据已存在!"), MessageIcon::Information);
                // The window is given back before the first match is queried, so that query keeps it.
                end(outcome);
                Q_EMIT alreadyInBook(parcel.number);
                return;
            }
            if (const std::optional<ParcelId> id = storeNew(parcel)) {
                dialogs.inform(messageTitle, QStringLiteral("快递添加成功！"), MessageIcon::Information);
                end(outcome);
                Q_EMIT parcelAdded(*id, false);
                return;
            }
            end(outcome);
            return;
        case AnswerKind::Unreadable:
        case AnswerKind::Failure:
            if (!answer.message.isEmpty()) {
                Q_EMIT hint(answer.message);
            }
            end(outcome);
            return;
        }
    } catch (const StoreError &error) {
        Q_EMIT hint(error.failureText(QStringLiteral("快递保存")));
        end(outcome);
    }
}

std::optional<ParcelId> ParcelTracker::storeNew(const TrackedParcel &parcel) {
    try {
        return m_with.parcels.add(parcel.company, parcel.number, parcel.goods);
    } catch (const StoreError &error) {
        Q_EMIT hint(error.failureText(QStringLiteral("快递保存")));
        return std::nullopt;
    }
}

void ParcelTracker::announceFirstAnswer(TrackedParcel parcel, ParcelId id, const TrackingAnswer &answer) {
    // The row was stored with the count 0, so any entry is new progress unless it is signed for.
    parcel.id = id;
    parcel.storedCount = 0;
    const Settlement settled = settleAnswer(parcel, answer, m_with.clock.now(), true);
    if (!settled.announce) {
        return;
    }
    m_quietFirstAnswer = id;
    m_with.alerts.announce(parcel, settled.outcome.report);
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
        end(outcomeOf(parcel, AnswerKind::Success));
        return;
    }
    QueryOutcome outcome = settled.outcome;
    // New progress is stored before anything is shown: a row that went meanwhile shows nothing.
    m_quietFirstAnswer.reset();
    const ProgressRecorder::Recorded recorded = [&] {
        const QScopedValueRollback recording(m_recording, true);
        return m_recorder.record(parcel, outcome.report, outcome.update, m_with.clock.now(),
                                 m_with.shownInWindow, settled.announce);
    }();
    if (recorded.result == ProgressRecorder::Result::Gone) {
        outcome.message = parcelGoneText();
        forget(parcel.id);
        Q_EMIT hint(outcome.message);
        end(outcome);
        Q_EMIT parcelRemoved(parcel.id, false);
        return;
    }
    if (recorded.result == ProgressRecorder::Result::Stored) {
        if (settled.countToStore) {
            m_current->storedCount = settled.countToStore;
        }
    } else {
        // Whoever drives the query hears that the book did not keep it, and why.
        outcome.storeFailed = true;
        outcome.message = recorded.failure;
    }
    m_shownStatus = outcome.report.status;
    // A failed store has put its reason on the hint line; the advice would hide it.
    Q_EMIT hint(recorded.failure.isEmpty() ? settled.hint : recorded.failure);
    Q_EMIT progressShown(parcel, outcome.report, outcome.update);
    end(outcome);
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
    end(settleAnswer(pending.parcel, none, m_with.clock.now(), false).outcome);
}

void ParcelTracker::end(QueryOutcome outcome) {
    Q_EMIT queryEnded(outcome);
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
        Q_EMIT hint(QStringLiteral("已取消添加,新快递【") + pending.parcel.goods +
                    QStringLiteral("】未保存"));
    }
}

void ParcelTracker::forget(ParcelId id) {
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
        // The modes follow the current parcel: without it they have nothing to query.
        const bool modes = m_loopRunning || m_timedAt;
        m_loopRunning = false;
        m_loopTimer->stop();
        m_timedAt.reset();
        m_timedTimer->stop();
        if (modes) {
            Q_EMIT modesChanged(false, false);
        }
    }
}

void ParcelTracker::forgetParcel(ParcelId id) {
    forget(id);
}

void ParcelTracker::forgetAll() {
    if (m_pending && m_pending->purpose == Purpose::Query) {
        forget(m_pending->parcel.id);
    }
    if (m_parsing) {
        forget(m_parsing->parcel.id);
    }
    if (m_current) {
        forget(m_current->id);
    }
}

void ParcelTracker::startLoop(int minutes) {
    m_loopRunning = true;
    m_loopMinutes = minutes;
    m_minutesCounted = 0;
    m_loopTimer->start();
    Q_EMIT modesChanged(m_loopRunning, timedArmed());
}

void ParcelTracker::stopLoop() {
    m_loopRunning = false;
    m_loopTimer->stop();
    m_minutesCounted = 0;
    Q_EMIT modesChanged(m_loopRunning, timedArmed());
}

void ParcelTracker::startTimed(int hour, int minute) {
    m_timedAt = QTime(hour, minute);
    m_timedTimer->start();
    Q_EMIT modesChanged(m_loopRunning, true);
}

void ParcelTracker::stopTimed() {
    m_timedAt.reset();
    m_timedTimer->stop();
    Q_EMIT modesChanged(m_loopRunning, false);
}

void ParcelTracker::loopTick() {
    if (!m_loopRunning) {
        return;
    }
    if (++m_minutesCounted == m_loopMinutes) {
        m_minutesCounted = 0;
        queryUnlessPaused();
    }
}

void ParcelTracker::timedTick() {
    const QTime now = m_with.clock.now().time();
    // Armed until stopped, also after it has fired; it fires once.
    if (m_timedAt && now.hour() == m_timedAt->hour() && now.minute() == m_timedAt->minute() &&
        queryUnlessPaused()) {
        m_timedTimer->stop();
    }
}

bool ParcelTracker::queryUnlessPaused() {
    if (pausedToday()) {
        Q_EMIT hint(
            (m_pauseMessage.isEmpty() ? tracking::resultMessage(QStringLiteral("22")) : m_pauseMessage) +
            QStringLiteral("(今日不再自动查询)"));
        return false;
    }
    if (!m_current) {
        return false;
    }
    return queryParcel(m_current->id, true);
}

void ParcelTracker::noteQuota(const Pending &pending, const TrackingAnswer &answer) {
    // Code 22 in the answer to a mode's query, or while a mode runs, holds back the automatic
    // queries for the rest of the local day; queries by hand still go out.
    const bool automatic = m_loopRunning || m_timedAt || pending.automatic;
    if (!automatic || !tracking::quotaUsedUp(answer)) {
        return;
    }
    m_pausedOn = m_with.clock.now().date();
    m_pauseMessage = answer.message;
    Q_EMIT hint(m_pauseMessage + QStringLiteral("(今日不再自动查询)"));
    // Kept in the book, so that a watch (or the next start) sends nothing more today either.
    try {
        m_with.progress.setQuotaUsedUpOn(*m_pausedOn);
    } catch (const StoreError &error) {
        Q_EMIT hint(error.failureText(QStringLiteral("查询次数记录")));
    }
}

bool ParcelTracker::pausedToday() const {
    const QDate today = m_with.clock.now().date();
    if (m_pausedOn == today) {
        return true;
    }
    // A watch may have heard the service say so; a book that cannot be read holds nothing back.
    try {
        return m_with.progress.quotaUsedUpOn() == today;
    } catch (const StoreError &) {
        return false;
    }
}
