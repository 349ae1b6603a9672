// Reading the time a web server reports in its Date header.
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The moment in an HTTP Date header ("Mon, 07 Dec 2026 03:25:00 GMT", also the older
// "Monday, 07-Dec-26 03:25:00 GMT" and "Mon Dec  7 03:25:00 2026" forms), expressed on the
// program's fixed UTC+8 offset. Month and weekday names are English whatever the locale, in any
// letter case. Nothing when any part is missing or malformed.
std::optional<QDateTime> readDateHeader(const QString &header);
