// parcelbook-cli's commands: the book opened by the window's rules, the query read by the window's
// interpretation, and new progress stored the way change detection stores it.
#include "cli/BookCommands.h"

#include "net/WebClient.h"
#include "store/BookFile.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/ExportText.h"
#include "text/NumberText.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingRequest.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <memory>
#include <optional>

using tracking::AnswerKind;
using tracking::TrackingAnswer;

namespace {

// What one parcel's query came to.
struct QueryOutcome {
    ParcelRow parcel;
    bool succeeded = false;
    QString code;
    // Why it failed, or the note of an answer without entries.
    QString message;
    tracking::ProgressReport report;
    tracking::UpdateState update = tracking::UpdateState::NoUpdate;
    // Whole days without new progress, for a parcel that should have moved by now.
    std::optional<int> stalledDays;
};

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) || (c >= 0x20000 && c <= 0x3FFFD);
}

QString describe(const ParcelRow &parcel) {
    return QStringLiteral("编号 %1  %2  %3  %4")
        .arg(parcel.id)
        .arg(parcel.number, parcel.company, parcel.goods);
}

// The book for a command that stores what it learns: locked like the window locks it.
struct LockedBook {
    std::unique_ptr<BookFile> file;
    int failure = ExitCode::Success;
};

LockedBook lockBook(const CommandContext &context) {
    LockedBook book;
    if (const QString failure = programfolder::provideBook(context.places); !failure.isEmpty()) {
        context.err(QStringLiteral("无法建立快递列表:%1\n").arg(failure));
        book.failure = ExitCode::BookUnusable;
        return book;
    }
    book.file = std::make_unique<BookFile>(context.places.book, context.now().date());
    switch (book.file->open()) {
    case BookFile::OpenResult::Opened:
        break;
    case BookFile::OpenResult::AlreadyRunning:
        context.err(
            QStringLiteral("岚舟包裹通正在使用快递列表 %1,请先关闭它再试\n").arg(book.file->databasePath()));
        book.failure = ExitCode::BookInUse;
        break;
    case BookFile::OpenResult::Failed:
        context.err(
            QStringLiteral("无法打开快递列表 %1:%2\n").arg(book.file->databasePath(), book.file->failure()));
        book.failure = ExitCode::BookUnusable;
        break;
    }
    return book;
}

// The parcels the choice names; empty with the reason said when there are none.
QList<ParcelRow> chosenParcels(const CommandContext &context, ParcelStore &parcels,
                               const ParcelChoice &choice) {
    switch (choice.kind) {
    case ParcelChoice::All:
        return parcels.all();
    case ParcelChoice::ByNumber: {
        const QList<ParcelRow> rows = parcels.byNumber(choice.value);
        if (rows.isEmpty()) {
            context.err(QStringLiteral("快递列表里没有单号 %1\n").arg(choice.value));
        }
        return rows;
    }
    case ParcelChoice::ById:
        if (const std::optional<ParcelRow> row = parcels.byId(choice.value)) {
            return {*row};
        }
        context.err(QStringLiteral("快递列表里没有编号为 %1 的快递\n").arg(choice.value));
        return {};
    }
    return {};
}

// Sends the parcel's query and waits for its answer; nothing when none came in time.
std::optional<TrackingAnswer> ask(const CommandContext &context, WebClient &web, const QString &companyCode,
                                  const ParcelRow &parcel) {
    QEventLoop loop;
    std::optional<TrackingAnswer> answer;
    auto request = std::make_unique<TrackingRequest>(web, context.services.tracking, companyCode,
                                                     parcel.number, QString::number(parcel.id), 1);
    QObject::connect(request.get(), &TrackingRequest::answered, &loop, [&](const TrackingAnswer &came) {
        answer = came;
        loop.quit();
    });
    QTimer::singleShot(context.answerTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return answer;
}

QueryOutcome queryOne(const CommandContext &context, Database &db, WebClient &web, const ParcelRow &parcel) {
    QueryOutcome outcome{parcel, false, {}, {}, {}, tracking::UpdateState::NoUpdate, std::nullopt};
    const std::optional<CourierRow> courier = CourierStore(db).byName(parcel.company);
    const std::optional<TrackingAnswer> answer =
        ask(context, web, courier ? courier->code : QString(), parcel);
    if (!answer || answer->kind == AnswerKind::NoAnswer) {
        outcome.message = QStringLiteral("查询服务没有应答,请检查网络后再试");
        return outcome;
    }
    outcome.code = answer->code;
    switch (answer->kind) {
    case AnswerKind::NoAnswer:
        break;
    case AnswerKind::NotKnown:
        outcome.message = QStringLiteral("您当前查询的快递单号已不存在");
        return outcome;
    case AnswerKind::Unreadable:
    case AnswerKind::Failure:
        outcome.message = answer->message.isEmpty() ? QStringLiteral("查询服务返回了结果码 ") + answer->code
                                                    : answer->message;
        return outcome;
    case AnswerKind::Success:
        break;
    }
    outcome.succeeded = true;
    if (answer->entries.isEmpty()) {
        outcome.message = QStringLiteral("查询完毕,暂无物流信息...");
        return outcome;
    }
    const QDateTime now = context.now();
    outcome.report = tracking::reportProgress(answer->entries, now);
    outcome.stalledDays = tracking::stalledDays(outcome.report, now);
    outcome.update = tracking::updateState(parcel.num, outcome.report.rowCount(), outcome.report.status);
    if (outcome.update == tracking::UpdateState::NewProgress) {
        // The same rule as the window's: the book remembers the count, so the progress is new once.
        ParcelStore(db).setCount(QString::number(parcel.id), outcome.report.rowCount());
    }
    return outcome;
}

QString outcomeText(const QueryOutcome &outcome) {
    QString text = describe(outcome.parcel) + QLatin1Char('\n');
    if (!outcome.succeeded) {
        return text + QStringLiteral("查询失败(结果码 %1):%2\n")
                          .arg(outcome.code.isEmpty() ? QStringLiteral("无") : outcome.code, outcome.message);
    }
    if (outcome.report.entries.isEmpty()) {
        return text + outcome.message + QLatin1Char('\n');
    }
    text += QStringLiteral("状态:%1  在途时间:%2  %3\n")
                .arg(tracking::statusWord(outcome.report.status), outcome.report.transitText,
                     tracking::updateWord(outcome.update));
    if (outcome.stalledDays) {
        text += tracking::stalledAdvice(*outcome.stalledDays) + QLatin1Char('\n');
    }
    QList<QStringList> rows;
    for (const ProgressEntry &entry : outcome.report.entries) {
        rows.append({QStringLiteral("  ") + entry.time, entry.context});
    }
    return text + alignedTable(rows);
}

QJsonObject outcomeJson(const QueryOutcome &outcome) {
    QJsonObject object{{QStringLiteral("id"), qint64(outcome.parcel.id)},
                       {QStringLiteral("number"), outcome.parcel.number},
                       {QStringLiteral("company"), outcome.parcel.company},
                       {QStringLiteral("goods"), outcome.parcel.goods},
                       {QStringLiteral("succeeded"), outcome.succeeded},
                       {QStringLiteral("code"), outcome.code},
                       {QStringLiteral("message"), outcome.message}};
    if (outcome.succeeded && !outcome.report.entries.isEmpty()) {
        object.insert(QStringLiteral("status"), tracking::statusWord(outcome.report.status));
        object.insert(QStringLiteral("transit"), outcome.report.transitText);
        object.insert(QStringLiteral("newProgress"), outcome.update == tracking::UpdateState::NewProgress);
        object.insert(QStringLiteral("stalledDays"),
                      outcome.stalledDays ? QJsonValue(*outcome.stalledDays) : QJsonValue(QJsonValue::Null));
    }
    QJsonArray entries;
    for (const ProgressEntry &entry : outcome.report.entries) {
        entries.append(
            QJsonObject{{QStringLiteral("time"), entry.time}, {QStringLiteral("text"), entry.context}});
    }
    object.insert(QStringLiteral("entries"), entries);
    return object;
}

QString jsonText(const QJsonArray &array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

} // namespace

int terminalWidth(const QString &text) {
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing) {
            continue;
        }
        width += isWide(c) ? 2 : 1;
    }
    return width;
}

QString alignedTable(const QList<QStringList> &rows) {
    QList<int> widths;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) {
                widths.append(0);
            }
            widths[i] = std::max(widths[i], terminalWidth(row[i]));
        }
    }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line += QString(widths[i] - terminalWidth(row[i]) + 2, QLatin1Char(' '));
            }
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

int listParcels(const CommandContext &context, bool json) {
    // Reading needs no lock: the window may be open meanwhile.
    if (const QString failure = programfolder::provideBook(context.places); !failure.isEmpty()) {
        context.err(QStringLiteral("无法建立快递列表:%1\n").arg(failure));
        return ExitCode::BookUnusable;
    }
    const QString path = context.places.book + schema::databaseFile();
    QList<ParcelRow> rows;
    try {
        Database db = Database::open(path, schema::databasePassword());
        rows = ParcelStore(db).all();
    } catch (const StoreError &error) {
        context.err(QStringLiteral("无法打开快递列表 %1:%2\n").arg(path, error.description()));
        return ExitCode::BookUnusable;
    }
    if (json) {
        QJsonArray array;
        for (const ParcelRow &row : rows) {
            array.append(QJsonObject{{QStringLiteral("id"), qint64(row.id)},
                                     {QStringLiteral("number"), row.number},
                                     {QStringLiteral("company"), row.company},
                                     {QStringLiteral("goods"), row.goods},
                                     {QStringLiteral("count"), qint64(leadingValue(row.num))}});
        }
        context.out(jsonText(array));
        return ExitCode::Success;
    }
    QList<QStringList> table{{QStringLiteral("编号"), QStringLiteral("单号"), QStringLiteral("快递公司"),
                              QStringLiteral("物品"), QStringLiteral("进度条数")}};
    for (const ParcelRow &row : rows) {
        table.append({QString::number(row.id), row.number, row.company, row.goods,
                      QString::number(leadingValue(row.num))});
    }
    context.out(alignedTable(table));
    return ExitCode::Success;
}

namespace {

// Runs work on the parcels the choice names, in the book locked for the command; the exit code of
// the book, of a choice that names nothing, or of the work.
int onChosenParcels(const CommandContext &context, const ParcelChoice &choice,
                    const std::function<int(Database &, WebClient &, const QList<ParcelRow> &)> &work) {
    LockedBook book = lockBook(context);
    if (book.failure != ExitCode::Success) {
        return book.failure;
    }
    Database &db = book.file->database();
    WebClient web;
    try {
        ParcelStore parcels(db);
        const QList<ParcelRow> chosen = chosenParcels(context, parcels, choice);
        if (chosen.isEmpty() && choice.kind != ParcelChoice::All) {
            return ExitCode::Usage;
        }
        return work(db, web, chosen);
    } catch (const StoreError &error) {
        context.err(QStringLiteral("快递列表读写出错:%1\n").arg(error.description()));
        return ExitCode::BookUnusable;
    }
}

} // namespace

int queryParcels(const CommandContext &context, const ParcelChoice &choice, bool json) {
    const bool counting = context.showProgress && choice.kind == ParcelChoice::All;
    return onChosenParcels(
        context, choice, [&](Database &db, WebClient &web, const QList<ParcelRow> &chosen) {
            int result = ExitCode::Success;
            QJsonArray array;
            for (qsizetype i = 0; i < chosen.size(); ++i) {
                if (counting) {
                    context.err(QStringLiteral("\r\033[K查询 %1/%2 %3")
                                    .arg(i + 1)
                                    .arg(chosen.size())
                                    .arg(chosen[i].goods));
                }
                const QueryOutcome outcome = queryOne(context, db, web, chosen[i]);
                if (!outcome.succeeded) {
                    result = ExitCode::ServiceSaidOtherwise;
                }
                if (json) {
                    array.append(outcomeJson(outcome));
                } else {
                    context.out((i > 0 ? QStringLiteral("\n") : QString()) + outcomeText(outcome));
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

int exportParcel(const CommandContext &context, const ParcelChoice &choice, const QString &file) {
    return onChosenParcels(
        context, choice, [&](Database &db, WebClient &web, const QList<ParcelRow> &chosen) {
            const QueryOutcome outcome = queryOne(context, db, web, chosen.first());
            if (!outcome.succeeded) {
                context.err(outcomeText(outcome));
                return int(ExitCode::ServiceSaidOtherwise);
            }
            if (outcome.report.entries.isEmpty()) {
                context.err(QStringLiteral("没有可导出的数据!\n"));
                return int(ExitCode::ServiceSaidOtherwise);
            }
            const ExportResult written =
                ExportListViewContent(tracking::listRows(outcome.report.entries), file);
            if (written.outcome != ExportResult::Written) {
                context.err(QStringLiteral("数据导出失败!错误原因") + written.error + QLatin1Char('\n'));
                return int(ExitCode::ServiceSaidOtherwise);
            }
            context.out(
                QStringLiteral("成功导出 %1 条进度到 %2\n").arg(outcome.report.entries.size()).arg(file));
            return int(ExitCode::Success);
        });
}
