// parcelbook-cli's commands: the book opened by the window's rules, the query read by the window's
// interpretation, and new progress stored the way change detection stores it.
#include "cli/BookCommands.h"

#include "cli/ParcelListing.h"

#include "net/WebClient.h"
#include "platform/Platform.h"
#include "store/BookFile.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/ExportText.h"
#include "text/FailureReason.h"
#include "text/NumberText.h"
#include "text/SafeWrite.h"
#include "text/TerminalText.h"
#include "tracker/AddSeries.h"
#include "tracker/ParcelTracker.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/UserSettings.h"
#include "tracker/WatchPass.h"
#include "tracking/CourierRecognition.h"
#include "tracking/DeliveryEstimate.h"
#include "tracking/ParcelState.h"
#include "tracking/ProgressReport.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <optional>

namespace {

// The texts of the book and the service are shown on a terminal as terminalSafe writes them, never obeyed.
QString describe(const TrackedParcel &parcel) {
    return QStringLiteral("编号 %1  %2  %3  %4")
        .arg(parcel.id.value())
        .arg(terminalSafe(parcel.number), terminalSafe(parcel.company), terminalSafe(parcel.goods));
}

// The book for a command that stores what it learns: locked like the window locks it.
struct LockedBook {
    std::unique_ptr<BookFile> file;
    int failure = ExitCode::Success;
};

LockedBook lockBook(const CommandContext &context) {
    LockedBook book;
    if (const Outcome<> provided = programfolder::provideBook(context.places); !provided) {
        context.err(QStringLiteral("无法建立快递列表:%1\n").arg(provided.failure().reason));
        book.failure = ExitCode::BookUnusable;
        return book;
    }
    book.file = std::make_unique<BookFile>(context.places.book, context.now().date());
    const Outcome<> opened = book.file->open();
    if (opened) {
        const CopyReport copies = book.file->keepCopies();
        for (const QString &said : copies.warnings) {
            context.err(said + QLatin1Char('\n'));
        }
        // A damaged book is not written: the command ends before its work.
        if (!copies.damage.isEmpty()) {
            context.err(copies.damage + QLatin1Char('\n'));
            book.failure = ExitCode::BookUnusable;
        }
    } else if (opened.failure().kind == Failure::Kind::HeldElsewhere) {
        context.err(
            QStringLiteral("岚舟包裹通正在使用快递列表 %1,请先关闭它再试\n").arg(book.file->databasePath()));
        book.failure = ExitCode::BookInUse;
    } else {
        context.err(QStringLiteral("无法打开快递列表 %1:%2\n")
                        .arg(book.file->databasePath(), opened.failure().reason));
        book.failure = ExitCode::BookUnusable;
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
        if (const std::optional<ParcelRow> row = parcels.byId(choice.id)) {
            return {*row};
        }
        context.err(QStringLiteral("快递列表里没有编号为 %1 的快递\n").arg(choice.id.value()));
        return {};
    }
    return {};
}

// Answers the tracker's questions as Enter would (a parcel the service no longer knows is kept); its
// warnings go to the error stream, its notes where the command's notes go.
class TerminalDialogs final : public Dialogs {
public:
    explicit TerminalDialogs(const CommandContext &context)
        : m_context(context) {}
    void inform(const QString &, const QString &text, MessageIcon icon) override {
        (icon == MessageIcon::Exclamation ? m_context.err
                                          : m_context.note)(terminalSafe(text) + QLatin1Char('\n'));
    }
    bool ask(const QString &, const QString &, DefaultAnswer byDefault) override {
        return byDefault == DefaultAnswer::Yes;
    }
    std::optional<QString> saveFileName(const QString &, const QString &) override { return std::nullopt; }

private:
    const CommandContext &m_context;
};

// The window's clock, read from the command's.
class CommandClock final : public Clock {
public:
    explicit CommandClock(const CommandContext &context)
        : m_context(context) {}
    QDateTime now() const override { return m_context.now(); }
    void setSystemTime(const QDateTime &, ClockSetDone done) override {
        QTimer::singleShot(0, [done = std::move(done)] {
            done(Failure{QStringLiteral("命令行不校准时间"), {}});
        });
    }

private:
    const CommandContext &m_context;
};

// The window's road for one command: the same tracker, its answers stored and announced alike (no sound).
class CommandRoad final {
public:
    CommandRoad(const CommandContext &context, Database &db)
        : m_context(context)
        , m_parcels(db)
        , m_couriers(db)
        , m_progress(db)
        , m_settings(db)
        , m_dialogs(context)
        , m_clock(context)
        , m_alerts({nullptr, QString(), *context.desktop, *context.mailer, m_clock, m_settings}, nullptr)
        , m_tracker({m_web, context.services.tracking, m_parcels, m_couriers, m_clock, m_dialogs, m_alerts,
                     m_progress, false},
                    nullptr) {
        m_settings.load();
        QObject::connect(&m_alerts, &ProgressAlerts::mailNotice, &m_alerts, [&context](const QString &text) {
            context.note(terminalSafe(text.trimmed()) + QLatin1Char('\n'));
        });
        // Every mail's words come before its end: a mail sent is a note, one not sent a failure.
        QObject::connect(&m_alerts, &ProgressAlerts::hint, &m_alerts,
                         [this](const QString &text) { m_mailWords = terminalSafe(text.trimmed()); });
        QObject::connect(&m_alerts, &ProgressAlerts::mailEnded, &m_alerts, [this](bool sent) {
            m_mailFailed = m_mailFailed || !sent;
            (sent ? m_context.note : m_context.err)(m_mailWords + QLatin1Char('\n'));
        });
    }
    ~CommandRoad() {
        // New progress is not left unmailed when the command ends, whatever ended it.
        if (!m_mailSettled) {
            m_alerts.waitForMailInFlight();
        }
    }

    // Waits for the mails still being sent; false when one was not sent (said on the error stream).
    bool mailsSent() {
        m_mailSettled = true;
        m_alerts.waitForMailInFlight();
        if (m_alerts.mailInFlight()) {
            // Cut off when the command ends: nobody can say it arrived.
            m_context.err(QStringLiteral("最新信息发送失败!错误原因邮件服务器没有及时应答\n"));
            return false;
        }
        return !m_mailFailed;
    }

    // Queries the parcel through the tracker and waits for the query to end.
    QueryOutcome query(const ParcelRow &parcel) {
        QueryOutcome outcome;
        outcome.parcel = trackedParcelOf(parcel, m_couriers);
        QEventLoop loop;
        const QMetaObject::Connection ended =
            QObject::connect(&m_tracker, &ParcelTracker::queryEnded, &loop, [&](const QueryOutcome &came) {
                outcome = came;
                loop.quit();
            });
        QString said;
        const QMetaObject::Connection hinted = QObject::connect(&m_tracker, &ParcelTracker::hint, &loop,
                                                                [&](const QString &text) { said = text; });
        if (m_tracker.selectParcel(parcel.id)) {
            loop.exec();
        } else {
            outcome.message = said;
        }
        QObject::disconnect(ended);
        QObject::disconnect(hinted);
        return outcome;
    }

    // Adds the parcel through the tracker as the window's add page does, and waits for the add to end.
    AddResult add(const TrackedParcel &parcel) {
        AddSeries series(m_tracker, nullptr);
        AddResult result;
        QEventLoop loop;
        QObject::connect(&series, &AddSeries::added, &loop,
                         [&result](int, const AddResult &came) { result = came; });
        QObject::connect(&series, &AddSeries::finished, &loop, &QEventLoop::quit);
        series.start({parcel});
        if (series.running()) {
            loop.exec();
        }
        return result;
    }

    // The number's company as the recognition service names it and the directory holds it; nothing,
    // with the reason, when it cannot be recognised.
    std::optional<CourierRow> recognise(const QString &number, QString &why) {
        const QString &service = m_context.services.recognition;
        if (!recognitionAsks(service, number)) {
            why = service.isEmpty() ? QStringLiteral("尚未设置快递公司识别服务")
                                    : QStringLiteral("单号不足 10 位,识别服务不识别");
            return std::nullopt;
        }
        CourierGuess guess;
        QEventLoop loop;
        recogniseCourier(m_web, service, m_couriers, number, &loop, [&](const CourierGuess &came) {
            guess = came;
            loop.quit();
        });
        loop.exec();
        switch (guess.kind) {
        case CourierGuess::Kind::Named:
            if (std::optional<CourierRow> courier = m_couriers.byName(guess.company)) {
                return courier;
            }
            break;
        case CourierGuess::Kind::NotInDirectory:
            why = QStringLiteral("识别出的快递公司不在快递公司列表里");
            return std::nullopt;
        case CourierGuess::Kind::ServiceBusy:
            why = QStringLiteral("识别服务繁忙");
            return std::nullopt;
        case CourierGuess::Kind::Failed:
        case CourierGuess::Kind::Silent:
            break;
        }
        why = QStringLiteral("识别服务没有给出快递公司");
        return std::nullopt;
    }

    // When the answered parcel may be expected, from the book's delivered parcels as they stood at the
    // command's first answer (read once, however many parcels it queries).
    std::optional<DeliveryEstimate> estimate(const QueryOutcome &outcome) {
        if (!outcome.succeeded() || outcome.report.entries.isEmpty()) {
            return std::nullopt;
        }
        if (!m_history) {
            m_history = tracking::DeliveryHistory(m_progress.deliveryHistory());
        }
        const tracking::ProgressReport &report = outcome.report;
        return m_history->estimate({outcome.parcel.company, report.status, report.entries.last().time,
                                    report.pickupCode.has_value()},
                                   m_context.now().date());
    }

    // Where the parcel stands by what the book now keeps of its progress.
    QString stateOf(ParcelId parcel) {
        std::optional<QString> word;
        QString newestTime;
        if (parcel.isValid()) {
            if (const std::optional<ProgressRow> row = m_progress.byParcel(parcel)) {
                word = row->status;
                newestTime = row->newestTime;
            }
        }
        return tracking::stateKey(tracking::parcelState(word, newestTime, m_context.now()));
    }

    struct WatchSummary {
        int checked = 0;
        int newProgress = 0;
        bool quotaUsedUp = false;
        bool bookFailed = false;
    };
    // One watch pass over the book, each parcel's outcome handed on as it comes; waits for its end.
    WatchSummary watch(const std::function<void(const QueryOutcome &)> &checked) {
        WatchPass pass(
            {m_web, m_context.services.tracking, m_parcels, m_couriers, m_progress, m_clock, m_alerts},
            nullptr);
        WatchSummary summary;
        QEventLoop loop;
        QObject::connect(&pass, &WatchPass::parcelChecked, &loop, [&](const QueryOutcome &outcome) {
            summary.newProgress += outcome.storedNewProgress() ? 1 : 0;
            checked(outcome);
        });
        QObject::connect(&pass, &WatchPass::bookFailed, &loop, [&](const QString &reason) {
            summary.bookFailed = true;
            m_context.err(terminalSafe(reason) + QLatin1Char('\n'));
        });
        QObject::connect(&pass, &WatchPass::finished, &loop, [&](int count, int, bool quotaUsedUp) {
            summary.checked = count;
            summary.quotaUsedUp = quotaUsedUp;
            loop.quit();
        });
        if (pass.start()) {
            loop.exec();
        }
        return summary;
    }

private:
    const CommandContext &m_context;
    ParcelStore m_parcels;
    CourierStore m_couriers;
    ProgressStore m_progress;
    // Read once per command, before anything is queried.
    UserSettings m_settings;
    TerminalDialogs m_dialogs;
    CommandClock m_clock;
    WebClient m_web;
    ProgressAlerts m_alerts;
    ParcelTracker m_tracker;
    std::optional<tracking::DeliveryHistory> m_history;
    bool m_mailFailed = false;
    QString m_mailWords;
    // mailsSent() has waited for the mail already; the end of the command need not wait again.
    bool m_mailSettled = false;
};

QString outcomeText(const QueryOutcome &outcome, const std::optional<DeliveryEstimate> &estimate) {
    QString text = describe(outcome.parcel) + QLatin1Char('\n');
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
                     outcome.storeFailed && outcome.update == tracking::UpdateState::NewProgress
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

// {"earliest": "YYYY-MM-DD", "latest": "YYYY-MM-DD", "basis": N}, or null.
QJsonValue estimateJson(const std::optional<DeliveryEstimate> &estimate) {
    if (!estimate) {
        return QJsonValue(QJsonValue::Null);
    }
    return QJsonObject{{QStringLiteral("earliest"), estimate->earliest.toString(Qt::ISODate)},
                       {QStringLiteral("latest"), estimate->latest.toString(Qt::ISODate)},
                       {QStringLiteral("basis"), estimate->basis}};
}

// The service's result code; null where it gave none or all went well.
QJsonValue codeJson(const QueryOutcome &outcome) {
    return outcome.code.isEmpty() || !outcome.failed() ? QJsonValue(QJsonValue::Null)
                                                       : QJsonValue(outcome.code);
}

// `state` is where the parcel stands by the book after the query (stateKey).
QJsonObject outcomeJson(const QueryOutcome &outcome, const std::optional<DeliveryEstimate> &estimate,
                        const QString &state) {
    QJsonObject object{{QStringLiteral("id"), outcome.parcel.id.value()},
                       {QStringLiteral("number"), outcome.parcel.number},
                       {QStringLiteral("company"), outcome.parcel.company},
                       {QStringLiteral("goods"), outcome.parcel.goods},
                       {QStringLiteral("succeeded"), !outcome.failed()},
                       {QStringLiteral("answered"), outcome.answered()},
                       {QStringLiteral("code"), codeJson(outcome)},
                       {QStringLiteral("message"), outcome.message},
                       {QStringLiteral("state"), state}};
    if (outcome.succeeded() && !outcome.report.entries.isEmpty()) {
        object.insert(QStringLiteral("status"), tracking::statusWord(outcome.report.status));
        object.insert(QStringLiteral("transit"), outcome.report.transitText);
        object.insert(QStringLiteral("newProgress"), outcome.storedNewProgress());
        object.insert(QStringLiteral("stalledDays"),
                      outcome.stalledDays ? QJsonValue(*outcome.stalledDays) : QJsonValue(QJsonValue::Null));
        object.insert(QStringLiteral("pickupCode"), outcome.report.pickupCode
                                                        ? QJsonValue(*outcome.report.pickupCode)
                                                        : QJsonValue(QJsonValue::Null));
        object.insert(QStringLiteral("estimatedDelivery"), estimateJson(estimate));
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

int listParcels(const CommandContext &context, bool json) {
    // Reading needs no lock: the window may be open meanwhile.
    if (const Outcome<> provided = programfolder::provideBook(context.places); !provided) {
        context.err(QStringLiteral("无法建立快递列表:%1\n").arg(provided.failure().reason));
        return ExitCode::BookUnusable;
    }
    const QString path = context.places.book + schema::databaseFile();
    std::optional<Database> db;
    try {
        db = Database::open(path, schema::databasePassword(), Database::RememberKey::BesideTheFile);
    } catch (const StoreError &error) {
        context.err(QStringLiteral("无法打开快递列表 %1:%2\n").arg(path, error.reason()));
        return ExitCode::BookUnusable;
    }
    try {
        if (!writeParcelList(*db, json, context.now(), context.outBytes)) {
            const int failure = errno;
            // A reader that went away (`| head`) has heard all it wanted; anyone else is told.
            if (failure != EPIPE) {
                context.err(QStringLiteral("快递列表没有全部写出:%1\n")
                                .arg(fileFailureReason(failure, FileAccess::Write)));
            }
            return ExitCode::ServiceSaidOtherwise;
        }
    } catch (const StoreError &error) {
        context.err(QStringLiteral("读取快递列表 %1 出错:%2\n").arg(path, error.reason()));
        return ExitCode::BookUnusable;
    }
    return ExitCode::Success;
}

namespace {

// Runs work on the book locked for the command; the exit code of the book or of the work.
int onLockedBook(const CommandContext &context, const std::function<int(CommandRoad &, Database &)> &work) {
    LockedBook book = lockBook(context);
    if (book.failure != ExitCode::Success) {
        return book.failure;
    }
    Database &db = book.file->database();
    try {
        CommandRoad road(context, db);
        const int result = work(road, db);
        // Done means mailed too: a mail that did not go out fails a command that otherwise succeeded.
        return road.mailsSent() || result != ExitCode::Success ? result : ExitCode::ServiceSaidOtherwise;
    } catch (const StoreError &error) {
        context.err(QStringLiteral("快递列表读写出错:%1\n").arg(error.reason()));
        return ExitCode::BookUnusable;
    }
}

// Runs work on the parcels the choice names, in the book locked for the command; the exit code of
// the book, of a choice that names nothing, or of the work.
int onChosenParcels(const CommandContext &context, const ParcelChoice &choice,
                    const std::function<int(CommandRoad &, const QList<ParcelRow> &)> &work) {
    return onLockedBook(context, [&](CommandRoad &road, Database &db) {
        ParcelStore parcels(db);
        const QList<ParcelRow> chosen = chosenParcels(context, parcels, choice);
        if (chosen.isEmpty() && choice.kind != ParcelChoice::All) {
            return int(ExitCode::Usage);
        }
        return work(road, chosen);
    });
}

// The parcel's answer came, but the book did not keep it: said with the reason; the exit code of a
// book that cannot be written.
int storeFailure(const CommandContext &context, const QueryOutcome &outcome, bool counting) {
    context.err((counting ? QStringLiteral("\r\033[K") : QString()) + describe(outcome.parcel) +
                QLatin1Char('\n') + outcome.message + QLatin1Char('\n'));
    return ExitCode::BookUnusable;
}

// Without a tracking service nothing can be asked: said on the error stream before the book is locked,
// unless the one given was set aside, which the start has said already.
bool trackingServiceMissing(const CommandContext &context) {
    if (context.services.tracking.isSet()) {
        return false;
    }
    if (!context.services.tracking.problem.isEmpty()) {
        return true;
    }
    context.err(QStringLiteral("尚未设置查询服务,请在窗口设置页的“查询服务”中填写,或编辑 %1\n")
                    .arg(servicesfile::location()));
    return true;
}

} // namespace

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
                context.err(QStringLiteral("\r\033[K查询 %1/%2 %3")
                                .arg(i + 1)
                                .arg(chosen.size())
                                .arg(cutToColumns(terminalSafe(chosen[i].goods), widestTableCell)));
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
            } else if (outcome.storeFailed) {
                result = storeFailure(context, outcome, counting);
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

int exportParcel(const CommandContext &context, const ParcelChoice &choice, const QString &file, bool replace,
                 ExportEncoding encoding) {
    const bool toStandardOutput = file == QLatin1StringView("-");
    const SafeWrite::Existing existing = replace ? SafeWrite::Existing::Replace : SafeWrite::Existing::Keep;
    // Refused before the service is asked, so a wrong file name costs no query.
    const QString folder = QFileInfo(file).absolutePath();
    const auto refusal = [&file, existing] {
        const Outcome<> writable = SafeWrite::writable(file, existing);
        return writable ? QString() : writable.failure().reason;
    };
    const QString refused = toStandardOutput ? QString()
                            : !QFileInfo(folder).isDir()
                                ? QStringLiteral("文件夹“%1”不存在,没有写入").arg(terminalSafe(folder))
                                : refusal();
    if (!refused.isEmpty()) {
        // Only a regular file that is there already can be replaced, so only then is --force worth naming.
        const bool replaceable = !replace && QFileInfo(file).isFile() && !QFileInfo(file).isSymLink();
        context.err(refused + (replaceable ? QStringLiteral("(要替换已有的文件请加 --force)") : QString()) +
                    QLatin1Char('\n'));
        return int(ExitCode::Usage);
    }
    if (trackingServiceMissing(context)) {
        return ExitCode::ServiceSaidOtherwise;
    }
    // The progress is exported even when the book failed to keep it: what was asked for is done, and
    // the failure is said.
    const auto exported = [&context](const QueryOutcome &outcome) {
        return outcome.storeFailed ? storeFailure(context, outcome, false) : int(ExitCode::Success);
    };
    return onChosenParcels(context, choice, [&](CommandRoad &road, const QList<ParcelRow> &chosen) {
        const QueryOutcome outcome = road.query(chosen.first());
        if (!outcome.succeeded()) {
            context.err(outcomeText(outcome, std::nullopt));
            return int(ExitCode::ServiceSaidOtherwise);
        }
        if (outcome.report.entries.isEmpty()) {
            context.err(QStringLiteral("没有可导出的数据!\n"));
            return int(ExitCode::ServiceSaidOtherwise);
        }
        const QList<QStringList> rows = tracking::listRows(outcome.report.entries);
        if (toStandardOutput) {
            const QByteArray bytes = exportedBytes(rows, encoding);
            if (bytes.isEmpty() || !context.outBytes(bytes)) {
                context.err(bytes.isEmpty()
                                ? QStringLiteral("数据导出失败!错误原因:系统缺少 GB18030 编码支持\n")
                                : QStringLiteral("数据导出失败!错误原因:无法写入标准输出\n"));
                return int(ExitCode::ServiceSaidOtherwise);
            }
            return exported(outcome);
        }
        const ExportResult written = ExportListViewContent(rows, file, existing, encoding);
        if (written.outcome != ExportResult::Written) {
            context.err(QStringLiteral("数据导出失败!错误原因") + written.error + QLatin1Char('\n'));
            return int(ExitCode::ServiceSaidOtherwise);
        }
        context.out(QStringLiteral("成功导出 %1 条进度到 %2\n").arg(outcome.report.entries.size()).arg(file));
        return exported(outcome);
    });
}

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
            storeFailed = storeFailed || outcome.storeFailed;
            // A number the service does not know was answered: said in the output, not as a failure.
            const bool fault = !outcome.answered() || outcome.storeFailed;
            failed += fault ? 1 : 0;
            // The service's code only where the service refused; a book that failed has its own words.
            const QString code = outcome.code.isEmpty() || outcome.storeFailed
                                     ? QString()
                                     : QStringLiteral("(结果码 %1)").arg(outcome.code);
            (fault ? context.err : context.out)(QStringLiteral("编号 %1  %2  %3%4\n")
                                                    .arg(outcome.parcel.id.value())
                                                    .arg(terminalSafe(outcome.parcel.goods),
                                                         terminalSafe(outcome.message), terminalSafe(code)));
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

namespace {

// An entry of add's JSON for a number that was not added, shaped like the others.
QJsonObject notAddedJson(const QString &number, const QString &company, const QString &goods,
                         const QString &why) {
    return QJsonObject{{QStringLiteral("id"), QJsonValue::Null}, {QStringLiteral("number"), number},
                       {QStringLiteral("company"), company},     {QStringLiteral("goods"), goods},
                       {QStringLiteral("added"), false},         {QStringLiteral("succeeded"), false},
                       {QStringLiteral("answered"), false},      {QStringLiteral("code"), QJsonValue::Null},
                       {QStringLiteral("message"), why},         {QStringLiteral("state"), QJsonValue::Null},
                       {QStringLiteral("entries"), QJsonArray()}};
}

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
            given = couriers.byTypedName(choice.company);
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
        const auto notAdded = [&](const QString &number, const QString &company, const QString &why) {
            context.err(terminalSafe(why) + QLatin1Char('\n'));
            if (json) {
                array.append(notAddedJson(number, company, choice.goods, why));
            }
        };
        for (const FoundNumber &found : choice.numbers) {
            const QString &number = found.number;
            // What the window's list leaves unticked is not added here either.
            if (choice.fromText && found.mobileLike) {
                notAdded(
                    number, QString(),
                    QStringLiteral("%1 像是手机号,没有添加(确是快递单号时请用 add %1 单独添加)").arg(number));
                continue;
            }
            if (const QList<ParcelRow> rows = parcels.byNumber(number); !rows.isEmpty()) {
                notAdded(number, rows.first().company,
                         QStringLiteral("单号 %1 已在快递列表中(编号 %2),没有重复添加")
                             .arg(number)
                             .arg(rows.first().id.value()));
                continue;
            }
            QString why;
            const std::optional<CourierRow> courier = given ? given : road.recognise(number, why);
            if (!courier) {
                failed();
                notAdded(
                    number, QString(),
                    QStringLiteral("单号 %1 识别不出快递公司(%2),已跳过;可用 add %1 --company 快递公司 添加")
                        .arg(number, why));
                continue;
            }
            const AddResult added =
                road.add({ParcelId(), number, courier->name, courier->code, choice.goods, std::nullopt});
            if (!added.stored()) {
                if (added.kind == AddResult::Kind::NotAdded) {
                    failed();
                }
                notAdded(number, courier->name,
                         QStringLiteral("单号 %1 没有添加:%2").arg(number, added.reason));
                continue;
            }
            QueryOutcome outcome = added.outcome;
            if (added.kind == AddResult::Kind::Added) {
                if (const std::optional<ParcelRow> row = parcels.byId(added.id)) {
                    outcome = road.query(*row);
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
            } else if (outcome.storeFailed) {
                result = storeFailure(context, outcome, false);
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
