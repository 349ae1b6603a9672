// Plain-text reading of the tracking answers and the status texts made from them.
#include "tracking/TrackingText.h"

#include "text/JsonText.h"
#include "text/NumberText.h"

#include <QRegularExpression>
#include <QUrl>

#include <string_view>

namespace tracking {

namespace {

QString queryValue(const QString &text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// The markers without their opening quote: a marker is looked for at every double quote.
constexpr std::u16string_view timeKey = u"time\":\"";
constexpr std::u16string_view contextKey = u"context\":\"";
constexpr qsizetype timeMarkerSize = 1 + timeKey.size();
constexpr qsizetype contextMarkerSize = 1 + contextKey.size();

// Where the time and context markers stand, found in one pass over the answer. The starts are
// those a search from the end of the previous marker of the same kind finds; the count also counts
// a time marker that shares its opening quote with the previous one's closing quote.
struct Markers {
    QList<qsizetype> timeStarts;
    QList<qsizetype> contextStarts;
    int timeCount = 0;
};

Markers findMarkers(QStringView answer) {
    // Quotes are dense in an answer, so a plain scan beats a library search call per quote.
    const std::u16string_view text(answer.utf16(), static_cast<std::size_t>(answer.size()));
    Markers markers;
    std::size_t timeFree = 0;
    std::size_t contextFree = 0;
    for (std::size_t quote = text.find(u'"'); quote != std::u16string_view::npos;
         quote = text.find(u'"', quote + 1)) {
        const std::u16string_view rest = text.substr(quote + 1);
        if (rest.starts_with(timeKey)) {
            ++markers.timeCount;
            if (quote >= timeFree) {
                markers.timeStarts.append(static_cast<qsizetype>(quote));
                timeFree = quote + timeMarkerSize;
            }
        } else if (rest.starts_with(contextKey) && quote >= contextFree) {
            markers.contextStarts.append(static_cast<qsizetype>(quote));
            contextFree = quote + contextMarkerSize;
        }
    }
    return markers;
}

// The value after marker i (from 0) of these starts: up to its closing quote, never into the next
// marker; nothing when there are not that many markers.
std::optional<QString> valueAfter(QStringView answer, const QList<qsizetype> &starts, qsizetype markerSize,
                                  qsizetype i) {
    if (i >= starts.size()) {
        return std::nullopt;
    }
    const qsizetype from = starts[i] + markerSize;
    const qsizetype bound = i + 1 < starts.size() ? starts[i + 1] : answer.size();
    return decodeJsonText(answer.sliced(from, jsonValueEnd(answer, from, bound) - from));
}

QList<ProgressEntry> entriesAt(QStringView answer, const Markers &markers, int count) {
    QList<ProgressEntry> entries;
    entries.reserve(std::max(count, 0));
    for (qsizetype i = 0; i < count; ++i) {
        std::optional<QString> time = valueAfter(answer, markers.timeStarts, timeMarkerSize, i);
        std::optional<QString> context = valueAfter(answer, markers.contextStarts, contextMarkerSize, i);
        if (time && context) {
            entries.append({std::move(*time), std::move(*context)});
            continue;
        }
        // A missing piece repeats the previous entry's text.
        ProgressEntry entry = entries.isEmpty() ? ProgressEntry() : entries.last();
        if (time) {
            entry.time = std::move(*time);
        }
        if (context) {
            entry.context = std::move(*context);
        }
        entries.append(std::move(entry));
    }
    return entries;
}

} // namespace

QString queryUrl(const TrackingService &service, const QString &companyCode, const QString &number) {
    return service.address + QStringLiteral("/?id=") + queryValue(service.accountId) +
           QStringLiteral("&secret=") + queryValue(service.accountKey) + QStringLiteral("&com=") +
           queryValue(companyCode) + QStringLiteral("&nu=") + queryValue(number) + QStringLiteral("&id=") +
           queryValue(service.secondKey) + QStringLiteral("&type=json&ord=desc");
}

QString recognitionUrl(const QString &serviceAddress, const QString &number) {
    return serviceAddress + QStringLiteral("/autonumber/auto?num=") + queryValue(number);
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
    return findMarkers(answer).timeCount;
}

QList<ProgressEntry> parseEntries(const QString &answer, int count) {
    return entriesAt(answer, findMarkers(answer), count);
}

QList<ProgressEntry> readEntries(const QString &answer, int limit) {
    const Markers markers = findMarkers(answer);
    return entriesAt(answer, markers, std::min(markers.timeCount, limit));
}

namespace {

// The service's usual shape, "yyyy-MM-dd HH:mm:ss", read digit by digit: an overview reads ten thousand
// of them, and the format parser takes most of that time.
std::optional<QDateTime> readUsualTime(const QString &text, Qt::TimeSpec timeSpec) {
    static constexpr char shape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != qsizetype(sizeof(shape) - 1)) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= u'0' && text[i] <= u'9';
        if (shape[i] == 'd' ? !digit : text[i] != QChar::fromLatin1(shape[i])) {
            return std::nullopt;
        }
    }
    const auto number = [&text](qsizetype from, qsizetype length) {
        int value = 0;
        for (qsizetype i = from; i < from + length; ++i) {
            value = value * 10 + (text[i].unicode() - u'0');
        }
        return value;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    const QDateTime moment(date, time, timeSpec);
    return moment.isValid() ? std::optional<QDateTime>(moment) : std::nullopt;
}

} // namespace

std::optional<QDateTime> readTime(const QString &text, Qt::TimeSpec timeSpec) {
    const QString trimmed = text.trimmed();
    if (std::optional<QDateTime> usual = readUsualTime(trimmed, timeSpec)) {
        return usual;
    }
    for (const QString &format : {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-M-d H:m:s"),
                                  QStringLiteral("yyyy/M/d H:m:s"), QStringLiteral("yyyy-MM-dd HH:mm"),
                                  QStringLiteral("yyyy-MM-dd")}) {
        QDateTime time = QDateTime::fromString(trimmed, format);
        if (time.isValid()) {
            time.setTimeSpec(timeSpec);
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

DeliveryStatus statusOfWord(const QString &word) {
    for (DeliveryStatus status : {DeliveryStatus::SignedFor, DeliveryStatus::OutForDelivery}) {
        if (word == statusWord(status)) {
            return status;
        }
    }
    return DeliveryStatus::InTransit;
}

bool hasNewProgress(std::optional<qint64> storedCount, int rowCount) {
    return storedCount.value_or(rowCount) < rowCount;
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
    // A version is short; a long text of digits and dots is something else.
    constexpr qsizetype longestVersion = 32;
    const QString trimmed = body.trimmed();
    return trimmed.size() <= longestVersion && version.match(trimmed).hasMatch();
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
