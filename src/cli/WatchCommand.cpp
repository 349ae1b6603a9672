// The watch command over the tracker's watch pass.
#include "cli/WatchCommand.h"

#include "cli/CommandRoad.h"
#include "cli/LockedBook.h"
#include "cli/OutcomeText.h"

int watchParcels(const CommandContext &context) {
    if (trackingServiceMissing(context)) {
        return ExitCode::ServiceSaidOtherwise;
    }
    return onChosenParcels(context, ParcelChoice{}, [&](CommandRoad &road, const QList<ParcelRow> &) {
        bool storeFailed = false;
        int failed = 0;
        const CommandRoad::WatchSummary summary = road.watch([&](const QueryOutcome &outcome) {
            if (!outcome.failed()) {
                return;
            }
            storeFailed = storeFailed || outcome.bookFailure.has_value();
            // A number the service does not know was answered: said in the output, not as a failure.
            const bool fault = !outcome.answered() || outcome.bookFailure.has_value();
            failed += fault ? 1 : 0;
            (fault ? context.err : context.out)(watchLine(outcome));
        });
        if (summary.quotaUsedUp) {
            context.err(QStringLiteral("今日查询次数已用完,今天不再查询其余快递\n"));
        }
        context.out(QStringLiteral("已检查 %1 个快递,%2 个有新进展,%3 个失败\n")
                        .arg(summary.checked)
                        .arg(summary.newProgress)
                        .arg(failed));
        if (summary.bookFailed || storeFailed) {
            return int(ExitCode::BookUnusable);
        }
        return int(failed > 0 || summary.quotaUsedUp ? ExitCode::ServiceSaidOtherwise : ExitCode::Success);
    });
}
