// Text as a terminal shows it: its width in columns, outside text made visible instead of obeyed,
// long cells cut, and rows lined up into a table.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The widest a padded table cell gets: one long goods text would otherwise pad every row to its width.
inline constexpr int widestTableCell = 40;

// Display width in a terminal: Chinese characters (and other wide ones) take two columns.
int terminalWidth(const QString &text);
// The same of valid UTF-8, read where it lies.
int terminalWidth(QByteArrayView utf8);

// The text with every character a terminal would act on written out instead: C0 and C1 controls and
// DEL as \x1b, the bidirectional marks and the line and paragraph separators as \u202e. Everything
// else, the backslash included, stays as it is.
QString terminalSafe(const QString &text);
// The text cut to at most `columns` columns, its end marked with "…" when something was cut.
QString cutToColumns(const QString &text, int columns);
// Stored text as a table cell shows it, with the columns it takes in `width`: read the way the
// program reads text (each sequence that is not UTF-8 replaced), terminal-safe and cut to `columns`.
// The text itself when it stays as it is, else `shown` filled.
QByteArrayView tableCell(QByteArrayView stored, int columns, QByteArray &shown, int &width);

// The spaces after a cell that takes `cellWidth` columns in a column `columnWidth` wide: up to the
// column's width, then two apart; a cell wider than its column still gets the two.
int spacesAfterCell(int columnWidth, int cellWidth);

// Rows as columns padded to their widest cell, two spaces apart, one line per row. Every cell is made
// terminal-safe, and a padded cell wider than widestTableCell is cut; the last cell of a row is kept whole.
QString alignedTable(const QList<QStringList> &rows);
