// What every fuzz target shares: turning the fuzzer's bytes into text, and stopping on a broken rule.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Web bodies reach the program as UTF-8 and are decoded this way, invalid sequences included.
inline QString fuzzText(const std::uint8_t *data, std::size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// abort() rather than assert(): the rule must hold in every build, and libFuzzer saves the input
// that breaks it.
inline void require(bool holds, const char *rule) {
    if (!holds) {
        std::fprintf(stderr, "broken rule: %s\n", rule);
        std::abort();
    }
}
