// The JSON output of a query's outcome.
#include "cli/OutcomeJson.h"

#include "tracking/ProgressReport.h"
#include "tracking/TrackingText.h"

#include <QJsonDocument>

namespace {

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

} // namespace

QJsonObject outcomeJson(const QueryOutcome &outcome, const std::optional<DeliveryEstimate> &estimate,
                        const QString &state) {
    QJsonObject object{
        {QStringLiteral("id"), outcome.parcel.id.value()},
        {QStringLiteral("number"), outcome.parcel.number},
        {QStringLiteral("company"), outcome.parcel.company},
        {QStringLiteral("goods"), outcome.parcel.goods},
        {QStringLiteral("succeeded"), !outcome.failed()},
        {QStringLiteral("answered"), outcome.answered()},
        {QStringLiteral("code"), codeJson(outcome)},
        {QStringLiteral("message"), outcome.bookFailure ? outcome.bookFailure->reason : outcome.message},
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

QJsonObject notAddedJson(const QString &number, const QString &company, const QString &goods,
                         const Failure &failure) {
    return QJsonObject{{QStringLiteral("id"), QJsonValue::Null},
                       {QStringLiteral("number"), number},
                       {QStringLiteral("company"), company},
                       {QStringLiteral("goods"), goods},
                       {QStringLiteral("added"), false},
                       {QStringLiteral("succeeded"), false},
                       {QStringLiteral("answered"), false},
                       {QStringLiteral("code"), QJsonValue::Null},
                       {QStringLiteral("message"), failure.reason},
                       {QStringLiteral("state"), QJsonValue::Null},
                       {QStringLiteral("entries"), QJsonArray()}};
}
