// The add command: each number recognised, added through the tracker's add series and queried.
#include "cli/AddCommand.h"

#include "cli/CommandRoad.h"
#include "cli/LockedBook.h"
#include "cli/OutcomeJson.h"
#include "cli/OutcomeText.h"
#include "text/Failure.h"
#include "text/TerminalText.h"

namespace {

// One add command's run over its numbers: the exit code so far and what it prints.
class AddRun {
public:
    AddRun(const CommandContext &context, const AddChoice &choice, bool json, CommandRoad &road,
           ParcelStore &parcels)
        : m_context(context)
        , m_choice(choice)
        , m_json(json)
        , m_road(road)
        , m_parcels(parcels) {}

    // Adds one number, or says why it was not added; a book that cannot be read ends the run.
    Outcome<> add(const FoundNumber &found, const std::optional<CourierRow> &given) {
        const QString &number = found.number;
        // What the window's list leaves unticked is not added here either.
        if (m_choice.fromText && found.mobileLike) {
            notAdded(number, QString(),
                     Failure{QStringLiteral("%1 像是手机号,没有添加(确是快递单号时请用 add %1 单独添加)")
                                 .arg(number)});
            return {};
        }
        const Outcome<QList<ParcelRow>> rows = m_parcels.byNumber(number);
        if (!rows) {
            return rows.failure();
        }
        if (!rows->isEmpty()) {
            notAdded(number, rows->first().company,
                     Failure{QStringLiteral("单号 %1 已在快递列表中(编号 %2),没有重复添加")
                                 .arg(number)
                                 .arg(rows->first().id.value())});
            return {};
        }
        const Outcome<CourierRow> courier = given ? Outcome<CourierRow>(*given) : m_road.recognise(number);
        if (!courier) {
            failed();
            notAdded(number, QString(),
                     Failure{QStringLiteral(
                                 "单号 %1 识别不出快递公司(%2),已跳过;可用 add %1 --company 快递公司 添加")
                                 .arg(number, courier.failure().reason),
                             courier.failure().detail});
            return {};
        }
        const AddResult added =
            m_road.add({ParcelId(), number, courier->name, courier->code, m_choice.goods, std::nullopt});
        if (!added.stored()) {
            if (added.kind == AddResult::Kind::NotAdded) {
                failed();
            }
            const Failure why = added.failure.value_or(Failure{});
            notAdded(number, courier->name,
                     Failure{QStringLiteral("单号 %1 没有添加:%2").arg(number, why.reason), why.detail});
            return {};
        }
        const Outcome<QueryOutcome> outcome = settled(added);
        if (!outcome) {
            return outcome.failure();
        }
        report(*outcome, added.id);
        return {};
    }

    int finish() {
        if (m_json) {
            m_context.out(jsonText(m_array));
        }
        return m_result;
    }

private:
    void failed() {
        m_result = m_result == ExitCode::Success ? int(ExitCode::ServiceSaidOtherwise) : m_result;
    }

    // Said on the error stream in either form; the JSON keeps it too.
    void notAdded(const QString &number, const QString &company, const Failure &why) {
        m_context.err(terminalSafe(why.reason) + QLatin1Char('\n'));
        if (m_json) {
            m_array.append(notAddedJson(number, company, m_choice.goods, why));
        }
    }

    // The answer a stored add comes to: queried when it was added, else what the add's own answer said.
    Outcome<QueryOutcome> settled(const AddResult &added) {
        QueryOutcome outcome = added.outcome;
        if (added.kind == AddResult::Kind::Added) {
            const Outcome<std::optional<ParcelRow>> row = m_parcels.byId(added.id);
            if (!row.ok()) {
                return row.failure();
            }
            if (*row) {
                outcome = m_road.query(**row);
            }
        } else if (outcome.kind == tracking::AnswerKind::NotKnown) {
            if (outcome.message.isEmpty()) {
                outcome.message = QStringLiteral("已添加,查询服务暂无此单号的信息");
            }
        } else {
            // Kept without an answer: stored, and asked by the next query or watch.
            outcome.message = QStringLiteral("已添加,但还没能查询它,下次查询或后台检查时再查") +
                              (outcome.message.isEmpty() ? QString() : QStringLiteral(":") + outcome.message);
        }
        return outcome;
    }

    void report(const QueryOutcome &outcome, ParcelId id) {
        const std::optional<DeliveryEstimate> estimate = m_road.estimate(outcome);
        if (!outcome.answered()) {
            failed();
            m_context.err(outcomeText(outcome, std::nullopt));
        } else if (outcome.bookFailure) {
            m_context.err(storeFailureText(outcome));
            m_result = ExitCode::BookUnusable;
        }
        if (m_json) {
            QJsonObject object = outcomeJson(outcome, estimate, m_road.stateOf(id));
            object.insert(QStringLiteral("added"), true);
            m_array.append(object);
        } else if (outcome.answered()) {
            m_context.out((m_printed ? QStringLiteral("\n") : QString()) + outcomeText(outcome, estimate));
            m_printed = true;
        }
    }

    const CommandContext &m_context;
    const AddChoice &m_choice;
    const bool m_json;
    CommandRoad &m_road;
    ParcelStore &m_parcels;
    int m_result = ExitCode::Success;
    QJsonArray m_array;
    bool m_printed = false;
};

} // namespace

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
        AddRun run(context, choice, json, road, parcels);
        for (const FoundNumber &found : choice.numbers) {
            if (const Outcome<> went = run.add(found, given); !went) {
                return bookUnusable(context, went.failure());
            }
        }
        return run.finish();
    });
}
