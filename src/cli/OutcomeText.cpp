// The text output of a query's outcome.
#include "cli/OutcomeText.h"

#include "text/TerminalText.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingText.h"

QString parcelLine(const TrackedParcel &parcel) {
    return QStringLiteral("编号 %1  %2  %3  %4")
        .arg(parcel.id.value())
        .arg(terminalSafe(parcel.number), terminalSafe(parcel.company), terminalSafe(parcel.goods));
}

QString outcomeText(const QueryOutcome &outcome, const std::optional<DeliveryEstimate> &estimate) {
    QString text = parcelLine(outcome.parcel) + QLatin1Char('\n');
    if (!outcome.answered()) {
        return text + QStringLiteral("查询失败(结果码 %1):%2\n")
                          .arg(outcome.code.isEmpty() ? QStringLiteral("无") : terminalSafe(outcome.code),
                               terminalSafe(outcome.message));
    }
    // A number the service does not know has no entries either, only its message.
    if (outcome.report.entries.isEmpty()) {
        return text + terminalSafe(outcome.message) + QLatin1Char('\n');
    }
    text += QStringLiteral("状态:%1  在途时间:%2  %3\n")
                .arg(tracking::statusWord(outcome.report.status), terminalSafe(outcome.report.transitText),
                     outcome.bookFailure && outcome.update == tracking::UpdateState::NewProgress
                         ? QStringLiteral("新进展未能记下")
                         : tracking::updateWord(outcome.update));
    if (outcome.report.pickupCode) {
        text += QStringLiteral("取件码:") + terminalSafe(*outcome.report.pickupCode) + QLatin1Char('\n');
    }
    if (estimate) {
        text += tracking::estimateText(*estimate) + QLatin1Char('\n');
    }
    if (outcome.stalledDays) {
        text += tracking::stalledAdvice(*outcome.stalledDays) + QLatin1Char('\n');
    }
    QList<QStringList> rows;
    for (const ProgressEntry &entry : outcome.report.entries) {
        rows.append({QStringLiteral("  ") + entry.time, entry.context});
    }
    return text + alignedTable(rows);
}

QString storeFailureText(const QueryOutcome &outcome) {
    return parcelLine(outcome.parcel) + QLatin1Char('\n') +
           (outcome.bookFailure ? outcome.bookFailure->reason : QString()) + QLatin1Char('\n');
}

QString watchLine(const QueryOutcome &outcome) {
    // The service's code only where the service refused; a book that failed has its own words.
    const QString code = outcome.code.isEmpty() || outcome.bookFailure
                             ? QString()
                             : QStringLiteral("(结果码 %1)").arg(outcome.code);
    const QString said = outcome.bookFailure ? outcome.bookFailure->reason : outcome.message;
    return QStringLiteral("编号 %1  %2  %3%4\n")
        .arg(outcome.parcel.id.value())
        .arg(terminalSafe(outcome.parcel.goods), terminalSafe(said), terminalSafe(code));
}

QString progressLine(qsizetype done, qsizetype total, const QString &goods) {
    return QStringLiteral("查询 %1/%2 %3")
        .arg(done)
        .arg(total)
        .arg(cutToColumns(terminalSafe(goods), widestTableCell));
}
