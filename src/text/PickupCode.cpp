// The pickup code rule: the words that name a code, the code's shape, and what is never one.
#include "text/PickupCode.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

// Fullwidth ASCII forms (U+FF01..U+FF5E) and the ideographic space as ASCII, so "取件码：１２３４" reads
// like "取件码:1234".
QString asciiWidth(const QString &text) {
    QString folded;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c >= 0xFF01 && c <= 0xFF5E) || c == 0x3000) {
            if (folded.isNull()) {
                folded = text;
            }
            folded[i] = c == 0x3000 ? QLatin1Char(' ') : QChar(char16_t(c - 0xFEE0));
        }
    }
    return folded.isNull() ? text : folded;
}

// Between the naming words and the code: "为"/"是", a colon, an opening bracket, blanks. Then the code:
// letters and digits, groups joined by hyphens, the whole run, so never the tail of a longer number.
QString leadAndCode() {
    return QStringLiteral("\\s*(?:为|是)?\\s*:?\\s*[【\\[(“「]?\\s*"
                          "(?<code>[A-Za-z0-9]+(?:-[A-Za-z0-9]+)*)(?![A-Za-z0-9])");
}

// "word": what stands between 凭 and the code; it does not capture after the words that name a code.
const QRegularExpression &namedCode() {
    static const QRegularExpression pattern(
        QStringLiteral("(?:(?:取件|提货|取货|提件|开箱|开柜)(?:验证)?码|凭(?<word>\\p{Han}{0,8}?))") +
        leadAndCode());
    return pattern;
}

const QRegularExpression &lockerNumber() {
    static const QRegularExpression pattern(QStringLiteral("(?:柜号|格口号)") + leadAndCode());
    return pattern;
}

// What follows 凭 names a code when it is nothing ("凭3-1-0087取件") or a word ending in 码, other than
// a phone, identity or order number ("凭手机号码 138…" is a phone number).
bool namesCode(const QString &word) {
    if (word.isEmpty()) {
        return true;
    }
    static const QStringList notCodes = {QStringLiteral("手机"), QStringLiteral("电话"),
                                         QStringLiteral("身份"), QStringLiteral("单号")};
    return word.endsWith(QStringLiteral("码")) &&
           std::none_of(notCodes.cbegin(), notCodes.cend(),
                        [&word](const QString &no) { return word.contains(no); });
}

// A code carries a digit; a mobile number is never one, whatever names it.
bool codeShaped(const QString &code) {
    static const QRegularExpression mobile(QStringLiteral("^1[3-9][0-9]{9}$"));
    const bool digit = std::any_of(code.cbegin(), code.cend(), [](QChar c) { return c.isDigit(); });
    return digit && code.size() >= 2 && code.size() <= 20 && !mobile.match(code).hasMatch();
}

std::optional<QString> firstCode(const QRegularExpression &pattern, const QString &text) {
    QRegularExpressionMatchIterator matches = pattern.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QString code = match.captured(u"code");
        if (namesCode(match.captured(u"word")) && codeShaped(code)) {
            return code;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> findPickupCode(const QString &text) {
    // Every naming word holds 码, 号 or 凭: most entries hold none and are passed over at once (an
    // overview reads thousands).
    if (!text.contains(u'码') && !text.contains(u'号') && !text.contains(u'凭')) {
        return std::nullopt;
    }
    const QString ascii = asciiWidth(text);
    if (std::optional<QString> code = firstCode(namedCode(), ascii)) {
        return code;
    }
    return firstCode(lockerNumber(), ascii);
}
