// An add's answer, the new parcel stored and announced, or kept unqueried on the user's word.
#include "tracker/ParcelAdd.h"

#include "platform/Platform.h"
#include "store/ParcelStore.h"
#include "tracker/AnswerSettlement.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/TrackerFailure.h"

using tracking::AnswerKind;
using tracking::TrackingAnswer;

namespace {

const QString messageTitle = QStringLiteral("岚舟系列软件");

Failure notSaved(const TrackedParcel &parcel) {
    return refusal(QStringLiteral("已取消添加,新快递【") + parcel.goods + QStringLiteral("】未保存"));
}

} // namespace

ParcelAdd::ParcelAdd(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators) {}

void ParcelAdd::answered(const TrackedParcel &parcel, const TrackingAnswer &answer) {
    QueryOutcome outcome;
    outcome.parcel = parcel;
    outcome.kind = answer.kind;
    outcome.code = answer.code;
    outcome.message = answer.message;
    Dialogs &dialogs = m_with.dialogs;
    // The book could not say whether the number is in it: nothing is stored.
    const auto unreadable = [this, &outcome](const Failure &failure) {
        fail(storeFailure(failure, QStringLiteral("快递保存")));
        Q_EMIT ended(outcome);
    };
    switch (answer.kind) {
    case AnswerKind::NoAnswer:
        return;
    case AnswerKind::Success: {
        const Outcome<bool> inBook = holds(parcel.number);
        if (!inBook.ok()) {
            return unreadable(inBook.failure());
        }
        Q_EMIT ended(outcome);
        if (*inBook) {
            dialogs.inform(messageTitle, QStringLiteral("快递数据已存在!"), MessageIcon::Information);
            Q_EMIT alreadyInBook(parcel.number);
        } else if (const Outcome<ParcelId> id = storeNew(parcel)) {
            announceFirstAnswer(parcel, *id, answer);
            // The new parcel becomes current through the selection of its own entry.
            Q_EMIT parcelAdded(*id, true);
        }
        return;
    }
    case AnswerKind::NotKnown: {
        if (!dialogs.ask(messageTitle, QStringLiteral("您好,您当前输入的单号不存在有效信息,是否先进行保存?"),
                         DefaultAnswer::Yes)) {
            Q_EMIT ended(outcome);
            return;
        }
        const Outcome<bool> inBook = holds(parcel.number);
        if (!inBook.ok()) {
            return unreadable(inBook.failure());
        }
        if (*inBook) {
            dialogs.inform(messageTitle, QStringLiteral("快递数据已存在!"), MessageIcon::Information);
            // The window is given back before the first match is queried, so that query keeps it.
            Q_EMIT ended(outcome);
            Q_EMIT alreadyInBook(parcel.number);
            return;
        }
        if (const Outcome<ParcelId> id = storeNew(parcel)) {
            dialogs.inform(messageTitle, QStringLiteral("快递添加成功！"), MessageIcon::Information);
            Q_EMIT ended(outcome);
            Q_EMIT parcelAdded(*id, false);
            return;
        }
        Q_EMIT ended(outcome);
        return;
    }
    case AnswerKind::Unreadable:
    case AnswerKind::Failure:
        if (!answer.message.isEmpty()) {
            Q_EMIT hint(answer.message);
        }
        endUnanswered(outcome);
        return;
    }
}

Outcome<bool> ParcelAdd::holds(const QString &number) {
    const Outcome<QList<ParcelRow>> found = m_with.parcels.byNumber(number);
    if (!found) {
        return found.failure();
    }
    return !found->isEmpty();
}

Outcome<ParcelId> ParcelAdd::keepUnanswered(const TrackedParcel &parcel) {
    Dialogs &dialogs = m_with.dialogs;
    if (!dialogs.ask(messageTitle,
                     QStringLiteral("您好,暂时没有查询到此单号的信息,是否先进行保存?\n\n"
                                    "保存后,下次查询或后台检查时会再查询它"),
                     DefaultAnswer::Yes)) {
        return fail(notSaved(parcel));
    }
    const Outcome<bool> inBook = holds(parcel.number);
    if (!inBook.ok()) {
        return fail(storeFailure(inBook.failure(), QStringLiteral("快递保存")));
    }
    if (*inBook) {
        dialogs.inform(messageTitle, QStringLiteral("快递数据已存在!"), MessageIcon::Information);
        Q_EMIT alreadyInBook(parcel.number);
        return refusal(QStringLiteral("快递数据已存在"));
    }
    Outcome<ParcelId> id = storeNew(parcel);
    if (id) {
        // Stored with the count 0, so the first answer it gets is announced as its progress.
        Q_EMIT hint(QStringLiteral("新快递【") + parcel.goods + QStringLiteral("】已保存,尚未查询到进度"));
        Q_EMIT parcelAdded(*id, false);
    }
    return id;
}

void ParcelAdd::endUnanswered(QueryOutcome outcome) {
    if (const Outcome<ParcelId> kept = keepUnanswered(outcome.parcel)) {
        outcome.keptUnanswered = *kept;
    }
    Q_EMIT ended(outcome);
}

void ParcelAdd::dropped(const TrackedParcel &parcel) {
    fail(notSaved(parcel));
}

Outcome<ParcelId> ParcelAdd::storeNew(const TrackedParcel &parcel) {
    Outcome<ParcelId> id = m_with.parcels.add(parcel.company, parcel.number, parcel.goods);
    if (!id) {
        return fail(storeFailure(id.failure(), QStringLiteral("快递保存")));
    }
    return id;
}

void ParcelAdd::announceFirstAnswer(TrackedParcel parcel, ParcelId id, const TrackingAnswer &answer) {
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

Failure ParcelAdd::fail(Failure failure) {
    Q_EMIT hint(failure.reason);
    Q_EMIT failed(failure);
    return failure;
}
