// The tracker, the add series, the recognition and the watch pass driven to their end for a command.
#include "cli/CommandRoad.h"

#include "text/TerminalText.h"
#include "tracker/TrackerFailure.h"
#include "tracker/WatchPass.h"
#include "tracking/CourierRecognition.h"
#include "tracking/ParcelState.h"

#include <QEventLoop>

CommandRoad::CommandRoad(const CommandContext &context, Database &db)
    : m_context(context)
    , m_parcels(db)
    , m_couriers(db)
    , m_progress(db)
    , m_settings(db)
    , m_dialogs(context)
    , m_clock(context)
    , m_web(*context.web)
    , m_alerts({nullptr, QString(), *context.desktop, *context.mailer, m_clock, m_settings}, nullptr)
    , m_tracker({m_web, context.services.tracking, m_parcels, m_couriers, m_clock, m_dialogs, m_alerts,
                 m_progress, false},
                nullptr) {
    QObject::connect(&m_alerts, &ProgressAlerts::mailNotice, &m_alerts, [&context](const QString &text) {
        context.note(terminalSafe(text.trimmed()) + QLatin1Char('\n'));
    });
    // A mail sent is a note, one not sent a failure.
    QObject::connect(&m_alerts, &ProgressAlerts::mailEnded, &m_alerts,
                     [this](const MailResult &result, const QString &told) {
                         m_mailFailed = m_mailFailed || !result;
                         (result ? m_context.note
                                 : m_context.err)(terminalSafe(told.trimmed()) + QLatin1Char('\n'));
                     });
}

CommandRoad::~CommandRoad() {
    if (!m_mailSettled) {
        m_alerts.waitForMailInFlight();
    }
}

bool CommandRoad::mailsSent() {
    m_mailSettled = true;
    m_alerts.waitForMailInFlight();
    if (m_alerts.mailInFlight()) {
        // Cut off when the command ends: nobody can say it arrived.
        m_context.err(QStringLiteral("最新信息发送失败!错误原因邮件服务器没有及时应答\n"));
        return false;
    }
    return !m_mailFailed;
}

Outcome<> CommandRoad::loadSettings() {
    return m_settings.load();
}

QueryOutcome CommandRoad::query(const ParcelRow &parcel) {
    QueryOutcome outcome;
    const Outcome<TrackedParcel> tracked = trackedParcelOf(parcel, m_couriers);
    if (!tracked) {
        outcome.parcel.id = parcel.id;
        outcome.parcel.number = parcel.number;
        outcome.parcel.goods = parcel.goods;
        outcome.bookFailure = storeFailure(tracked.failure(), QStringLiteral("快递信息读取"));
        return outcome;
    }
    outcome.parcel = *tracked;
    QEventLoop loop;
    const QMetaObject::Connection ended =
        QObject::connect(&m_tracker, &ParcelTracker::queryEnded, &loop, [&](const QueryOutcome &came) {
            outcome = came;
            loop.quit();
        });
    if (const Outcome<> selected = m_tracker.selectParcel(parcel.id)) {
        loop.exec();
    } else {
        outcome.message = selected.failure().reason;
    }
    QObject::disconnect(ended);
    return outcome;
}

AddResult CommandRoad::add(const TrackedParcel &parcel) {
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

Outcome<CourierRow> CommandRoad::recognise(const QString &number) {
    const QString &service = m_context.services.recognition;
    if (!recognitionAsks(service, number)) {
        return Failure{service.isEmpty() ? QStringLiteral("尚未设置快递公司识别服务")
                                         : QStringLiteral("单号不足 10 位,识别服务不识别"),
                       {}};
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
        if (const Outcome<std::optional<CourierRow>> courier = m_couriers.byName(guess.company);
            !courier.ok()) {
            return storeFailure(courier.failure(), QStringLiteral("快递公司读取"));
        } else if (*courier) {
            return **courier;
        }
        break;
    case CourierGuess::Kind::NotInDirectory:
        return Failure{QStringLiteral("识别出的快递公司不在快递公司列表里"), {}};
    case CourierGuess::Kind::ServiceBusy:
        return Failure{QStringLiteral("识别服务繁忙"), {}};
    case CourierGuess::Kind::Failed:
    case CourierGuess::Kind::Silent:
        break;
    }
    return Failure{QStringLiteral("识别服务没有给出快递公司"), {}};
}

std::optional<DeliveryEstimate> CommandRoad::estimate(const QueryOutcome &outcome) {
    if (!outcome.succeeded() || outcome.report.entries.isEmpty()) {
        return std::nullopt;
    }
    if (!m_history) {
        const Outcome<QList<DeliveredParcel>> delivered = m_progress.deliveryHistory();
        if (!delivered) {
            m_bookFailure = delivered.failure();
            return std::nullopt;
        }
        m_history = tracking::DeliveryHistory(*delivered);
    }
    const tracking::ProgressReport &report = outcome.report;
    return m_history->estimate(
        {outcome.parcel.company, report.status, report.entries.last().time, report.pickupCode.has_value()},
        m_context.now().date());
}

QString CommandRoad::stateOf(ParcelId parcel) {
    std::optional<QString> word;
    QString newestTime;
    if (parcel.isValid()) {
        const Outcome<std::optional<ProgressRow>> row = m_progress.byParcel(parcel);
        if (!row.ok()) {
            m_bookFailure = row.failure();
        } else if (*row) {
            word = (*row)->status;
            newestTime = (*row)->newestTime;
        }
    }
    return tracking::stateKey(tracking::parcelState(word, newestTime, m_context.now()));
}

CommandRoad::WatchSummary CommandRoad::watch(const std::function<void(const QueryOutcome &)> &checked) {
    WatchPass pass({m_web, m_context.services.tracking, m_parcels, m_couriers, m_progress, m_clock, m_alerts},
                   nullptr);
    WatchSummary summary;
    QEventLoop loop;
    QObject::connect(&pass, &WatchPass::parcelChecked, &loop, [&](const QueryOutcome &outcome) {
        summary.newProgress += outcome.storedNewProgress() ? 1 : 0;
        checked(outcome);
    });
    QObject::connect(&pass, &WatchPass::bookFailed, &loop, [&](const Failure &failure) {
        summary.bookFailed = true;
        m_context.err(terminalSafe(failure.reason) + QLatin1Char('\n'));
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

bool trackingServiceMissing(const CommandContext &context) {
    if (context.services.tracking.isSet()) {
        return false;
    }
    if (context.services.tracking.problem) {
        return true;
    }
    context.err(QStringLiteral("尚未设置查询服务,请在窗口设置页的“查询服务”中填写,或编辑 %1\n")
                    .arg(servicesfile::location()));
    return true;
}
