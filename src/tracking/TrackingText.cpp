// Plain-text reading of the tracking answers and the status texts made from them.
#include "tracking/TrackingText.h"

#include "text/NumberText.h"

#include <QRegularExpression>

namespace tracking {

namespace {

const QString accountId = QStringLiteral("271828");
const QString accountKey = QStringLiteral("3f6c1e9a0b7d42c58e1f2a3b4c5d6e7f");
const QString secondKey = QStringLiteral("5B1E7C20A94D3F86E2C70B19D4A6F853");

const QString timeMarker = QStringLiteral("\"time\":\"");
const QString contextMarker = QStringLiteral("\"context\":\"");

// Piece i of the answer split at the marker (piece 0 lies before the first marker), cut before
// its first double quote; nothing when the answer has fewer pieces.
std::optional<QString> piece(const QString &answer, const QString &marker, int i) {
    qsizetype from = 0;
    for (int found = 0; found < i; ++found) {
        const qsizetype at = answer.indexOf(marker, from);
        if (at < 0) {
            return std::nullopt;
        }
        from = at + marker.size();
    }
    const qsizetype next = answer.indexOf(marker, from);
    const QString whole = answer.mid(from, next < 0 ? -1 : next - from);
    const qsizetype quote = whole.indexOf(QLatin1Char('"'));
    return quote < 0 ? whole : whole.left(quote);
}

} // namespace

QString queryUrl(const QString &serviceAddress, const QString &companyCode, const QString &number) {
    return serviceAddress + QStringLiteral("/?id=") + accountId + QStringLiteral("&secret=") + accountKey +
           QStringLiteral("&com=") + companyCode + QStringLiteral("&nu=") + number + QStringLiteral("&id=") +
           secondKey + QStringLiteral("&type=json&ord=desc");
}

std::optional<QString> resultCode(const QString &answer) {
    static const QString marker = QStringLiteral("errCode\":\"");
    const qsizetype at = answer.indexOf(marker);
    if (at < 0) {
        return std::nullopt;
    }
    const qsizetype start = at + marker.size();
    const qsizetype quote = answer.indexOf(QLatin1Char('"'), start);
    if (quote < 0) {
        return QString();
    }
    return answer.mid(start, quote - start);
}

bool isSuccess(const QString &code) {
    return leadingValue(code) == 0;
}

QString resultMessage(const QString &code) {
    static const QHash<QString, QString> messages = {
        {QStringLiteral("2"), QStringLiteral("验证码错误,可能此快递公司失效,请联系管理员")},
        {QStringLiteral("3"), QStringLiteral("链接查询服务器失败!请稍后再试..")},
        {QStringLiteral("4"), QStringLiteral("程序内部错误!请稍后再试..")},
        {QStringLiteral("5"), QStringLiteral("程序执行错误!请稍后再试..")},
        {QStringLiteral("6"), QStringLiteral("递单号格式错误!请您检查..")},
        {QStringLiteral("7"), QStringLiteral("快递公司错误错误!请您检查..")},
        {QStringLiteral("10"), QStringLiteral("未知错误，请稍后再试..")},
        {QStringLiteral("20"), QStringLiteral("API错误..请联系管理员检查..")},
        {QStringLiteral("21"), QStringLiteral("API出问题,请联系管理员更新..")},
        {QStringLiteral("22"), QStringLiteral("非常抱歉!API今日查询次数已尽,请您明日再使用!")},
    };
    return messages.value(code);
}

int countEntries(const QString &answer) {
    return static_cast<int>(answer.count(timeMarker));
}

QList<ProgressEntry> parseEntries(const QString &answer, int count) {
    QList<ProgressEntry> entries;
    ProgressEntry previous;
    for (int i = 1; i <= count; ++i) {
        ProgressEntry entry = previous;
        if (const auto time = piece(answer, timeMarker, i)) {
            entry.time = *time;
        }
        if (const auto context = piece(answer, contextMarker, i)) {
            entry.context = *context;
        }
        entries.append(entry);
        previous = entry;
    }
    return entries;
}

std::optional<QDateTime> readTime(const QString &text) {
    const QString trimmed = text.trimmed();
    for (const QString &format : {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-M-d H:m:s"),
                                  QStringLiteral("yyyy/M/d H:m:s"), QStringLiteral("yyyy-MM-dd HH:mm"),
                                  QStringLiteral("yyyy-MM-dd")}) {
        const QDateTime time = QDateTime::fromString(trimmed, format);
        if (time.isValid()) {
            return time;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> secondsBetween(const QString &earlier, const QDateTime &later) {
    const std::optional<QDateTime> from = readTime(earlier);
    if (!from || !later.isValid()) {
        return std::nullopt;
    }
    return from->secsTo(later);
}

QString transitText(std::int64_t seconds) {
    const std::int64_t days = seconds / 86400;
    const std::int64_t hours = (seconds / 3600) % 24;
    const std::int64_t minutes = (seconds % 3600) / 60;
    return QString::number(days) + QStringLiteral("天") + QString::number(hours) + QStringLiteral("小时") +
           QString::number(minutes) + QStringLiteral("分");
}

DeliveryStatus classify(const QList<ProgressEntry> &entries) {
    const auto newestMention = [&entries](std::initializer_list<const char16_t *> words) {
        for (qsizetype row = 0; row < std::min<qsizetype>(2, entries.size()); ++row) {
            for (const char16_t *word : words) {
                if (entries[row].context.contains(QString::fromUtf16(word))) {
                    return true;
                }
            }
        }
        return false;
    };
    if (newestMention({u"签", u"妥", u"感谢"})) {
        return DeliveryStatus::SignedFor;
    }
    if (newestMention({u"派"})) {
        return DeliveryStatus::OutForDelivery;
    }
    return DeliveryStatus::InTransit;
}

QString statusWord(DeliveryStatus status) {
    switch (status) {
    case DeliveryStatus::SignedFor:
        return QStringLiteral("已签收");
    case DeliveryStatus::OutForDelivery:
        return QStringLiteral("派件中");
    case DeliveryStatus::InTransit:
        return QStringLiteral("运送中");
    }
    return QString();
}

bool hasNewProgress(const QString &storedCount, int rowCount) {
    const QString stored = storedCount.isEmpty() ? QString::number(rowCount) : storedCount;
    return leadingValue(stored) < rowCount;
}

std::optional<QString> recognitionCode(const QString &answer) {
    static const QString marker = QStringLiteral("comCode\":\"");
    const qsizetype at = answer.indexOf(marker);
    if (at < 0) {
        return std::nullopt;
    }
    const qsizetype start = at + marker.size();
    const qsizetype next = answer.indexOf(marker, start);
    const QString piece = answer.mid(start, next < 0 ? -1 : next - start);
    const qsizetype quote = piece.indexOf(QLatin1Char('"'));
    return quote < 0 ? QString() : piece.left(quote);
}

bool isPublishedVersion(const QString &body) {
    static const QRegularExpression version(QStringLiteral("^V[0-9]+(\\.[0-9]+)*$"));
    return version.match(body.trimmed()).hasMatch();
}

Announcement readAnnouncement(const QString &body, const Announcement &previous) {
    if (body.isEmpty()) {
        return previous;
    }
    const QStringList pieces = body.split(QLatin1Char('|'));
    if (pieces.size() < 2) {
        // Without a separator there is no link: no text, and the address stays as it was.
        return {QString(), previous.address};
    }
    return {pieces.at(0), pieces.at(1)};
}

} // namespace tracking
