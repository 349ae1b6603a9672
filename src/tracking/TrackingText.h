// Reading the tracking service's answers by plain text search, and the texts built from them.
#pragma once

#include "net/ServiceAddresses.h"
#include "text/ProgressEntry.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

enum class DeliveryStatus { SignedFor, OutForDelivery, InTransit };

namespace tracking {

// The query for one parcel with the service's account, appended to its address. Every value is
// percent-encoded (UTF-8), so a stored number with a blank, "&" or "#" stays one value.
QString queryUrl(const TrackingService &service, const QString &companyCode, const QString &number);
// The recognition request for a number, encoded the same way.
QString recognitionUrl(const QString &serviceAddress, const QString &number);

// The text after the first errCode marker up to the next double quote; nothing when the answer
// carries no result code at all (an error page, say).
std::optional<QString> resultCode(const QString &answer);
// A code whose leading digits read 0 ("0", "00", "") means success.
bool isSuccess(const QString &code);
// The hint-line message of a failure code; empty for "1" and for codes the service does not list.
QString resultMessage(const QString &code);

// The number of progress entries: occurrences of the time marker (a bare "time" elsewhere in
// the answer does not count).
int countEntries(const QString &answer);
// Entries 1..count in answer order. An entry whose piece is missing repeats the previous one. Each
// value runs to its closing quote (an escaped quote does not close it) and is decoded.
QList<ProgressEntry> parseEntries(const QString &answer, int count);
// Every entry the count finds, at most `limit`, in one pass over the answer.
QList<ProgressEntry> readEntries(const QString &answer, int limit);

// Seconds from the earlier to the later time text; nothing when a text is not a date and time.
std::optional<std::int64_t> secondsBetween(const QString &earlier, const QDateTime &later);
// A time as the service writes it, in local time; with Qt::UTC the same wall-clock reading as UTC, which
// compares without looking up the time zone for every reading (an overview reads thousands).
std::optional<QDateTime> readTime(const QString &text, Qt::TimeSpec timeSpec = Qt::LocalTime);
// days "天" hours "小时" minutes "分", truncating; seconds are not shown.
QString transitText(std::int64_t seconds);
// Signed for when entry 1 or 2 mentions 签, 妥 or 感谢; out for delivery when one mentions 派.
DeliveryStatus classify(const QList<ProgressEntry> &entries);
QString statusWord(DeliveryStatus status);
// The status a stored status word names; in transit for any other word.
DeliveryStatus statusOfWord(const QString &word);

// New progress: the stored count is below the row count; no stored count counts as equal.
bool hasNewProgress(std::optional<qint64> storedCount, int rowCount);

// The first company code of a recognition answer: the text after the first comCode marker up to
// the next double quote; nothing when the answer carries no marker.
std::optional<QString> recognitionCode(const QString &answer);

// A published version: a body that, trimmed, reads V followed by digits and dots.
bool isPublishedVersion(const QString &body);

struct Announcement {
    QString text;
    QString address;
};
// Link text before the first "|", address between the first and second "|"; an empty body keeps
// the previous link.
Announcement readAnnouncement(const QString &body, const Announcement &previous);

} // namespace tracking
