// Fuzz target: the number boxes' rule and the leading value of a text.
#include "FuzzInput.h"

#include "text/NumberFilter.h"
#include "text/NumberText.h"

#include <algorithm>
#include <cmath>
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

void checkFilter(const QString &text) {
    const bool number = readsAsNumber(text);
    require(readsAsNumber(QStringLiteral(" \t") + text + QStringLiteral("\t ")) == number,
            "spaces and tabs around the text do not matter");
    if (number) {
        require(std::any_of(text.begin(), text.end(), isAsciiDigit), "a number has a digit");
    }
    if (!text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit)) {
        require(number, "plain digits of any length are a number");
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
    require(readsAsNumber(QString::number(n)), "a written whole number is a number");

    const double d = leadingBytesAs<double>(data, size);
    if (std::isfinite(d)) {
        require(readsAsNumber(QString::number(d, 'g', 17)) && readsAsNumber(QString::number(d, 'e', 6)),
                "a written finite number is a number");
    }

    require(leadingValue(text) == 0 || startsWithDigits(text), "a leading value comes from leading digits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);
    checkFilter(text);
    checkValues(data, size, text);
    return 0;
}
