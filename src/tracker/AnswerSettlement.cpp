// Settling an answer, and the words every query path says of its outcome.
#include "tracker/AnswerSettlement.h"

using tracking::AnswerKind;

namespace {

QString noAnswerText(const QString &transferFailure) {
    return transferFailure.isEmpty()
               ? QStringLiteral("查询服务没有应答,请检查网络后再试")
               : QStringLiteral("查询服务没有应答(%1),请检查网络后再试").arg(transferFailure);
}

} // namespace

Settlement settleAnswer(const TrackedParcel &parcel, const tracking::TrackingAnswer &answer,
                        const QDateTime &now, bool announceNews) {
    Settlement settled;
    // Field by field: a braced `{}` would make the update NewProgress, its first value.
    QueryOutcome &outcome = settled.outcome;
    outcome.parcel = parcel;
    outcome.kind = answer.kind;
    outcome.code = answer.code;
    outcome.message = answer.message;
    switch (answer.kind) {
    case AnswerKind::NoAnswer:
        outcome.message = noAnswerText(answer.message);
        return settled;
    case AnswerKind::NotKnown:
        outcome.message = QStringLiteral("您当前查询的快递单号已不存在");
        return settled;
    case AnswerKind::Unreadable:
    case AnswerKind::Failure:
        // A code the service does not list leaves the hint line as it is; whoever reads the outcome
        // still learns the code.
        settled.hint = answer.message;
        if (outcome.message.isEmpty()) {
            outcome.message = QStringLiteral("查询服务返回了结果码 ") + answer.code;
        }
        return settled;
    case AnswerKind::Success:
        break;
    }
    if (answer.entries.isEmpty()) {
        outcome.message = QStringLiteral("查询完毕,暂无物流信息...");
        settled.hint = outcome.message;
        return settled;
    }
    outcome.report = tracking::reportProgress(answer.entries, now);
    outcome.stalledDays = tracking::stalledDays(outcome.report, now);
    outcome.update =
        tracking::updateState(parcel.storedCount, outcome.report.rowCount(), outcome.report.status);
    settled.hint = tracking::finishedHint(outcome.report, now);
    settled.record = true;
    if (outcome.update == tracking::UpdateState::NewProgress) {
        settled.countToStore = outcome.report.rowCount();
        settled.announce = announceNews;
    }
    return settled;
}

QString parcelGoneText() {
    return QStringLiteral("该快递已不在快递列表中..");
}
