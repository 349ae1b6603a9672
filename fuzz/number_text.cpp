// Fuzz target: the tracking number rule and the leading value of a text.
#include "FuzzInput.h"

#include "text/NumberText.h"
#include "text/TrackingNumber.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Blanks, an optional sign, then a digit: the only texts that can have a leading value.
bool startsWithDigits(const QString &text) {
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t'))) {
        ++i;
    }
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        ++i;
    }
    return i < text.size() && isAsciiDigit(text.at(i));
}

bool isNumberCharacter(QChar c) {
    return isAsciiDigit(c) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

void checkTrackingNumber(const QString &text) {
    const QString number = normalizedTrackingNumber(text);
    require(std::all_of(number.begin(), number.end(), isNumberCharacter),
            "a tracking number is upper-case ASCII letters and digits");
    require(normalizedTrackingNumber(number) == number, "a tracking number reads as itself");
    require(normalizedTrackingNumber(QStringLiteral(" \t") + text + QStringLiteral("\t ")) == number,
            "spaces and tabs around the text do not matter");
    if (!text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit)) {
        require(number == text, "plain digits of any length are their own number");
    }
}

// The first bytes as a value, so the fuzzer steers numbers as well as texts.
template <typename T> T leadingBytesAs(const std::uint8_t *data, std::size_t size) {
    T value{};
    std::memcpy(&value, data, std::min(size, sizeof value));
    return value;
}

void checkValues(const std::uint8_t *data, std::size_t size, const QString &text) {
    const std::int64_t n =
        leadingBytesAs<std::int64_t>(data, size) & std::numeric_limits<std::int64_t>::max();
    require(leadingValue(QString::number(n)) == n, "the leading value of a written number is that number");
    require(leadingValue(QStringLiteral(" \t-") + QString::number(n) + text) == -n ||
                (!text.isEmpty() && isAsciiDigit(text.front())),
            "blanks and a minus sign before a written number negate it");
    require(normalizedTrackingNumber(QStringLiteral("运单号：") + QString::number(n) +
                                     QStringLiteral("，请查收")) ==
                (n >= 10000000 ? QString::number(n) : QString()),
            "a number of eight digits or more is found inside a message, a shorter one is not");

    require(leadingValue(text) == 0 || startsWithDigits(text), "a leading value comes from leading digits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);
    checkTrackingNumber(text);
    checkValues(data, size, text);
    return 0;
}
