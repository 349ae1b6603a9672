// Reading the values of JSON text without a JSON parser: where a quoted value ends, and what it says.
#pragma once

#include <QString>
#include <QStringView>

// Where the quoted value that starts at `from` ends: at the first double quote no backslash escapes,
// and never past `bound`.
qsizetype jsonValueEnd(QStringView text, qsizetype from, qsizetype bound);
// The text a JSON string value means: \" \\ \/ \b \f \n \r \t and \uXXXX (surrogate pairs joined)
// are decoded; an escape that is not one of these, or a lone surrogate, stays as written.
QString decodeJsonText(QStringView raw);
