// How the program writes a moment for people: the status-row clock and the e-mail's date line.
#pragma once

#include <QDateTime>
#include <QString>

// Year-month-day without leading zeros, then the time, e.g. "2026-12-8 9:05:00".
QString clockText(const QDateTime &moment);
