// The add command: each number recognised, added through the tracker's add series and queried.
#include "cli/AddCommand.h"

#include "cli/CommandRoad.h"
#include "cli/LockedBook.h"
#include "cli/OutcomeJson.h"
#include "cli/OutcomeText.h"
#include "text/Failure.h"
#include "text/TerminalText.h"

int addParcels(const CommandContext &context, const AddChoice &choice, bool json) {
    if (choice.numbers.isEmpty()) {
        context.err(QStringLiteral("文本中没有找到快递单号\n"));
        return ExitCode::ServiceSaidOtherwise;
    }
    if (trackingServiceMissing(context)) {
        return ExitCode::ServiceSaidOtherwise;
    }
    return onLockedBook(context, [&](CommandRoad &road, Database &db) {
        ParcelStore parcels(db);
        CourierStore couriers(db);
        std::optional<CourierRow> given;
        if (!choice.company.isEmpty()) {
            const Outcome<std::optional<CourierRow>> typed = couriers.byTypedName(choice.company);
            if (!typed.ok()) {
                return bookUnusable(context, typed.failure());
            }
            given = *typed;
            if (!given) {
                context.err(QStringLiteral("不认识的快递公司:%1(请写快递公司名称的全部或一部分,如“顺丰”)\n")
                                .arg(terminalSafe(choice.company)));
                return int(ExitCode::Usage);
            }
        }
        int result = ExitCode::Success;
        const auto failed = [&result] {
            result = result == ExitCode::Success ? int(ExitCode::ServiceSaidOtherwise) : result;
        };
        QJsonArray array;
        bool printed = false;
        // Said on the error stream in either form; the JSON keeps it too.
        const auto notAdded = [&](const QString &number, const QString &company, const Failure &failure) {
            context.err(terminalSafe(failure.reason) + QLatin1Char('\n'));
            if (json) {
                array.append(notAddedJson(number, company, choice.goods, failure));
            }
        };
        for (const FoundNumber &found : choice.numbers) {
            const QString &number = found.number;
            // What the window's list leaves unticked is not added here either.
            if (choice.fromText && found.mobileLike) {
                notAdded(number, QString(),
                         Failure{QStringLiteral("%1 像是手机号,没有添加(确是快递单号时请用 add %1 单独添加)")
                                     .arg(number)});
                continue;
            }
            const Outcome<QList<ParcelRow>> rows = parcels.byNumber(number);
            if (!rows) {
                return bookUnusable(context, rows.failure());
            }
            if (!rows->isEmpty()) {
                notAdded(number, rows->first().company,
                         Failure{QStringLiteral("单号 %1 已在快递列表中(编号 %2),没有重复添加")
                                     .arg(number)
                                     .arg(rows->first().id.value())});
                continue;
            }
            const Outcome<CourierRow> courier = given ? Outcome<CourierRow>(*given) : road.recognise(number);
            if (!courier) {
                failed();
                notAdded(
                    number, QString(),
                    Failure{QStringLiteral(
                                "单号 %1 识别不出快递公司(%2),已跳过;可用 add %1 --company 快递公司 添加")
                                .arg(number, courier.failure().reason),
                            courier.failure().detail});
                continue;
            }
            const AddResult added =
                road.add({ParcelId(), number, courier->name, courier->code, choice.goods, std::nullopt});
            if (!added.stored()) {
                if (added.kind == AddResult::Kind::NotAdded) {
                    failed();
                }
                const Failure why = added.failure.value_or(Failure{});
                notAdded(number, courier->name,
                         Failure{QStringLiteral("单号 %1 没有添加:%2").arg(number, why.reason), why.detail});
                continue;
            }
            QueryOutcome outcome = added.outcome;
            if (added.kind == AddResult::Kind::Added) {
                const Outcome<std::optional<ParcelRow>> row = parcels.byId(added.id);
                if (!row.ok()) {
                    return bookUnusable(context, row.failure());
                }
                if (*row) {
                    outcome = road.query(**row);
                }
            } else if (outcome.kind == tracking::AnswerKind::NotKnown) {
                if (outcome.message.isEmpty()) {
                    outcome.message = QStringLiteral("已添加,查询服务暂无此单号的信息");
                }
            } else {
                // Kept without an answer: stored, and asked by the next query or watch.
                outcome.message =
                    QStringLiteral("已添加,但还没能查询它,下次查询或后台检查时再查") +
                    (outcome.message.isEmpty() ? QString() : QStringLiteral(":") + outcome.message);
            }
            const std::optional<DeliveryEstimate> estimate = road.estimate(outcome);
            if (!outcome.answered()) {
                failed();
                context.err(outcomeText(outcome, std::nullopt));
            } else if (outcome.bookFailure.has_value()) {
                context.err(storeFailureText(outcome));
                result = ExitCode::BookUnusable;
            }
            if (json) {
                QJsonObject object = outcomeJson(outcome, estimate, road.stateOf(added.id));
                object.insert(QStringLiteral("added"), true);
                array.append(object);
            } else if (outcome.answered()) {
                context.out((printed ? QStringLiteral("\n") : QString()) + outcomeText(outcome, estimate));
                printed = true;
            }
        }
        if (json) {
            context.out(jsonText(array));
        }
        return result;
    });
}
