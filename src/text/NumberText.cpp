// Number reading helpers.
#include "text/NumberText.h"

#include <limits>

namespace {

char16_t unitAt(const QString &text, qsizetype i) {
    return text.at(i).unicode();
}

char16_t unitAt(QByteArrayView text, qsizetype i) {
    return static_cast<unsigned char>(text.at(i));
}

template <typename Text> std::int64_t leadingValueOf(const Text &text) {
    qsizetype i = 0;
    while (i < text.size() && (unitAt(text, i) == u' ' || unitAt(text, i) == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (unitAt(text, i) == u'-' || unitAt(text, i) == u'+')) {
        negative = unitAt(text, i) == u'-';
        ++i;
    }
    // Exact up to the largest 64-bit value; longer digit runs stay at that value.
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && unitAt(text, i) >= u'0' && unitAt(text, i) <= u'9'; ++i) {
        const std::int64_t digit = unitAt(text, i) - u'0';
        value = value > (largest - digit) / 10 ? largest : value * 10 + digit;
    }
    return negative ? -value : value;
}

} // namespace

std::int64_t leadingValue(const QString &text) {
    return leadingValueOf(text);
}

std::int64_t leadingValue(QByteArrayView utf8) {
    return leadingValueOf(utf8);
}
