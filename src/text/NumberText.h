// Reading numbers out of text the way the program's inputs and the service's answers need.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

// The decimal value of the text's leading digits, after blanks and an optional sign; 0 when none.
std::int64_t leadingValue(const QString &text);
// The same of stored UTF-8 bytes, read where they lie.
std::int64_t leadingValue(QByteArrayView utf8);
