// The main window's text copy of the parcel picked last, and its array of small counters.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

struct CurrentParcel {
    QString number;
    QString company;
    QString companyCode;
    QString goods;
    QString storedCount;
    QString id;
    QString pickerPosition;
};

// Eleven 16-bit counters; the used elements have names.
using Counters = std::array<std::int16_t, 11>;

namespace counter {
inline constexpr std::size_t rememberedPickerIndex = 0;
inline constexpr std::size_t loopMinutes = 2;
inline constexpr std::size_t entryCount = 3;
inline constexpr std::size_t watchTicks = 4;
} // namespace counter
