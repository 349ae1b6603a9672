// The query command over the tracker's road.
#include "cli/QueryCommand.h"

#include "cli/CommandRoad.h"
#include "cli/LockedBook.h"
#include "cli/OutcomeJson.h"
#include "cli/OutcomeText.h"

int queryParcels(const CommandContext &context, const ParcelChoice &choice, bool json) {
    if (trackingServiceMissing(context)) {
        return ExitCode::ServiceSaidOtherwise;
    }
    const bool counting = context.showProgress && choice.kind == ParcelChoice::All;
    return onChosenParcels(context, choice, [&](CommandRoad &road, const QList<ParcelRow> &chosen) {
        int result = ExitCode::Success;
        QJsonArray array;
        bool printed = false;
        for (qsizetype i = 0; i < chosen.size(); ++i) {
            if (counting) {
                // Cut to one line, so the next rewrite clears all of it.
                context.err(QStringLiteral("\r\033[K") + progressLine(i + 1, chosen.size(), chosen[i].goods));
            }
            const QueryOutcome outcome = road.query(chosen[i]);
            const std::optional<DeliveryEstimate> estimate = road.estimate(outcome);
            // A failure is said on the error stream in either form (below the cleared progress
            // line), so a script that drops the results still hears of it; the JSON keeps it too.
            // A book that failed to keep an answer outweighs a service that gave none. A number the
            // service does not know was asked and answered: it is output, not a failure.
            if (!outcome.answered()) {
                result = result == ExitCode::Success ? int(ExitCode::ServiceSaidOtherwise) : result;
                context.err((counting ? QStringLiteral("\r\033[K") : QString()) +
                            outcomeText(outcome, std::nullopt));
            } else if (outcome.bookFailure.has_value()) {
                context.err((counting ? QStringLiteral("\r\033[K") : QString()) + storeFailureText(outcome));
                result = ExitCode::BookUnusable;
            }
            if (json) {
                array.append(outcomeJson(outcome, estimate, road.stateOf(outcome.parcel.id)));
            } else if (outcome.answered()) {
                context.out((printed ? QStringLiteral("\n") : QString()) + outcomeText(outcome, estimate));
                printed = true;
            }
        }
        if (counting) {
            context.err(QStringLiteral("\r\033[K"));
        }
        if (json) {
            context.out(jsonText(array));
        }
        return result;
    });
}
