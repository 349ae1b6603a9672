// The rule the number boxes use to decide whether their whole text reads as a decimal number.
#pragma once

#include <QString>

// True when the text, apart from surrounding spaces and tabs, is a decimal number: an optional sign,
// ASCII digits with "," between any two of them, at most one "." with a digit on at least one side,
// and an optional exponent (e, E, d or D, optional sign, at least one digit). Length never matters,
// so tracking numbers of any size pass.
bool readsAsNumber(const QString &text);
