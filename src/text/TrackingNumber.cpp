// Reading a tracking number out of typed or pasted text.
#include "text/TrackingNumber.h"

namespace {

// A number found inside other text is this long at least: shorter runs are words, dates, prices.
constexpr qsizetype shortestFoundNumber = 8;

// The offset of the full-width forms block from ASCII.
constexpr char16_t fullWidthOffset = 0xFEE0;

} // namespace

QChar numberRuleCharacter(QChar c) {
    const char16_t u = c.unicode();
    const bool fullWidthDigit = u >= u'０' && u <= u'９';
    const bool fullWidthLetter = (u >= u'Ａ' && u <= u'Ｚ') || (u >= u'ａ' && u <= u'ｚ');
    if (fullWidthDigit || fullWidthLetter || u == u'－') {
        return QChar(char16_t(u - fullWidthOffset));
    }
    if (u == u'\u3000') {
        return QLatin1Char(' ');
    }
    return c;
}

bool isNumberLetterOrDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

QString normalizedTrackingNumber(const QString &text) {
    // Both readings are gathered in one pass: the whole text's letters and digits, which is the number
    // while nothing else turns up, and the longest run, which is the number once something does.
    QString whole;
    QString run;
    QString longest;
    bool onlyNumberCharacters = true;
    for (const QChar original : text.trimmed()) {
        const QChar c = numberRuleCharacter(original);
        if (isNumberLetterOrDigit(c)) {
            whole.append(c.toUpper());
            run.append(c.toUpper());
        } else if (c != QLatin1Char('-')) {
            onlyNumberCharacters = onlyNumberCharacters && isBlank(c);
            if (run.size() > longest.size()) {
                longest = run;
            }
            run.clear();
        }
    }
    if (onlyNumberCharacters) {
        return whole;
    }
    if (run.size() > longest.size()) {
        longest = run;
    }
    return longest.size() >= shortestFoundNumber ? longest : QString();
}
