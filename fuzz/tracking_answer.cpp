// Fuzz target: a tracking answer read into a value, its entries, and the report made from them.
#include "FuzzInput.h"

#include "tracking/ProgressReport.h"
#include "tracking/TrackingAnswer.h"
#include "tracking/TrackingText.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// A fixed "now" keeps every run of an input the same; the transit time to now is still computed.
const QDateTime now(QDate(2026, 12, 7), QTime(11, 25), Qt::OffsetFromUTC, 8 * 3600);

bool sameEntry(const ProgressEntry &a, const ProgressEntry &b) {
    return a.time == b.time && a.context == b.context;
}

bool samePrefix(const QList<ProgressEntry> &longer, const QList<ProgressEntry> &shorter) {
    return longer.size() >= shorter.size() &&
           std::equal(shorter.begin(), shorter.end(), longer.begin(), sameEntry);
}

// Letters and digits, groups joined by hyphens, with at least one digit.
const QRegularExpression pickupShape(QStringLiteral("^(?=.*[0-9])[A-Za-z0-9]+(?:-[A-Za-z0-9]+)*$"));

void checkEntries(const QString &body) {
    const int count = tracking::countEntries(body);
    require(count >= 0, "the entry count is never negative");
    const QList<ProgressEntry> entries = tracking::parseEntries(body, count);
    require(entries.size() == count, "parseEntries returns exactly count entries");

    // One entry more than the answer holds has no time of its own, so it repeats the last time read.
    const QList<ProgressEntry> oneMore = tracking::parseEntries(body, count + 1);
    require(oneMore.size() == count + 1, "parseEntries returns exactly count + 1 entries");
    require(samePrefix(oneMore, entries), "asking for more entries does not change the earlier ones");
    require(oneMore.last().time == (count > 0 ? entries.last().time : QString()),
            "an entry past the last time marker repeats the previous time");

    const tracking::ProgressReport report = tracking::reportProgress(entries, now);
    require(report.entries.size() == entries.size() && samePrefix(report.entries, entries),
            "the report shows the entries it was given");
    require(report.rowCount() == std::min(count, 32767), "the row count is the entry count, capped");
    require(report.status == tracking::classify(entries), "the report's status is the entries' status");
    require(report.transitText.endsWith(QStringLiteral("分")), "the transit text is always written out");
    if (report.pickupCode) {
        require(report.status != DeliveryStatus::SignedFor, "a parcel signed for has no pickup code");
        require(pickupShape.match(*report.pickupCode).hasMatch(),
                "a pickup code is letters and digits, with a digit");
    }
}

void checkInterpretation(const QString &body) {
    const tracking::TrackingAnswer answer = tracking::interpretAnswer(body);
    const std::optional<QString> code = tracking::resultCode(body);
    if (body.isEmpty()) {
        require(answer.kind == tracking::AnswerKind::NoAnswer, "an empty body is no answer");
        return;
    }
    if (!code) {
        require(answer.kind == tracking::AnswerKind::Unreadable && !answer.message.isEmpty(),
                "a body without a result code is unreadable, with a message");
        return;
    }
    require(answer.code == *code, "the answer carries the body's result code");
    if (answer.kind != tracking::AnswerKind::Success) {
        require(answer.entries.isEmpty(), "only a success carries entries");
        require(!tracking::isSuccess(*code), "a success code always reads as success");
        require((answer.kind == tracking::AnswerKind::NotKnown) == (*code == QStringLiteral("1")),
                "code 1, and only code 1, means the number is not known");
        return;
    }
    require(tracking::isSuccess(*code), "only a success code reads as success");
    const int count = std::min(tracking::countEntries(body), 32767);
    require(answer.entries.size() == count, "a success carries every entry, at most 32767");
    require(samePrefix(answer.entries, tracking::parseEntries(body, count)),
            "a success carries the entries parseEntries reads");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString body = fuzzText(data, size);
    checkEntries(body);
    checkInterpretation(body);
    return 0;
}
