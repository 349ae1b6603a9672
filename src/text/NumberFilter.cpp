// The decimal-number rule of the number boxes.
#include "text/NumberFilter.h"

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Only ASCII digits: full-width and other scripts' digits are not numbers to the boxes.
bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSign(QChar c) {
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

bool isExponent(QChar c) {
    return c == QLatin1Char('e') || c == QLatin1Char('E') || c == QLatin1Char('d') || c == QLatin1Char('D');
}

} // namespace

bool readsAsNumber(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && isBlank(text.at(end - 1))) {
        --end;
    }

    qsizetype i = begin;
    if (i < end && isSign(text.at(i))) {
        ++i;
    }
    bool hasDigits = false;
    while (i < end) {
        if (isDigit(text.at(i))) {
            hasDigits = true;
            ++i;
        } else if (text.at(i) == QLatin1Char(',') && i > begin && isDigit(text.at(i - 1)) && i + 1 < end &&
                   isDigit(text.at(i + 1))) {
            ++i;
        } else {
            break;
        }
    }
    if (i < end && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < end && isDigit(text.at(i))) {
            hasDigits = true;
            ++i;
        }
    }
    if (!hasDigits) {
        return false;
    }

    if (i < end && isExponent(text.at(i))) {
        ++i;
        if (i < end && isSign(text.at(i))) {
            ++i;
        }
        const qsizetype exponentStart = i;
        while (i < end && isDigit(text.at(i))) {
            ++i;
        }
        if (i == exponentStart) {
            return false;
        }
    }
    return i == end;
}
