// Widths, escapes, cuts and tables for text printed on a terminal.
#include "text/TerminalText.h"

#include <algorithm>
#include <array>

namespace {

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Columns one character takes: none for a combining mark, two for a wide one.
int columnsOf(char32_t c) {
    if (c < 0x300) {
        return 1;
    }
    // The common ideographs, asked first: no mark among them, and the category lookup costs a call.
    if (c >= 0x4E00 && c <= 0x9FFF) {
        return 2;
    }
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing) {
        return 0;
    }
    return isWide(c) ? 2 : 1;
}

// The code point that starts at byte i of valid UTF-8 (the caller's promise); i moves past it.
char32_t nextCodePoint(QByteArrayView utf8, qsizetype &i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const int following = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (0x3F >> following);
    for (int k = 1; k <= following; ++k) {
        c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += following + 1;
    return c;
}

// Where no well-formed UTF-8 sequence starts.
constexpr char32_t notUtf8 = 0xFFFFFFFF;

bool isContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The code point of the well-formed UTF-8 sequence that starts at byte i, i moved past it; notUtf8
// when none starts there: a stray or missing continuation byte, a longer form than the shortest, a
// surrogate, or past U+10FFFF.
char32_t nextWellFormed(QByteArrayView bytes, qsizetype &i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const int following = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (following == 0 || lead > 0xF4 || bytes.size() - i <= following) {
        return notUtf8;
    }
    char32_t c = lead & (0x3F >> following);
    for (int k = 1; k <= following; ++k) {
        if (!isContinuation(bytes[i + k])) {
            return notUtf8;
        }
        c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
    }
    static constexpr std::array<char32_t, 4> shortestFrom = {0, 0x80, 0x800, 0x10000};
    if (c < shortestFrom[following] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        return notUtf8;
    }
    i += following + 1;
    return c;
}

// What a terminal acts on rather than shows: a colour, a title, a cleared screen, a line moved, or
// text turned around.
bool actedOnByTerminals(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The lead bytes of such characters in UTF-8: the controls below 0x20, DEL, and those of U+0080 to
// U+00BF, U+0600 to U+063F and U+2000 to U+2FFF.
constexpr std::array<bool, 256> mayStartActedOn = [] {
    std::array<bool, 256> table{};
    for (std::size_t byte = 0; byte < 0x20; ++byte) {
        table[byte] = true;
    }
    table[0x7F] = table[0xC2] = table[0xD8] = table[0xE2] = true;
    return table;
}();

constexpr char ellipsisUtf8[] = "\xE2\x80\xA6";

} // namespace

int terminalWidth(const QString &text) {
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        width += columnsOf(c);
    }
    return width;
}

int terminalWidth(QByteArrayView utf8) {
    int width = 0;
    for (qsizetype i = 0; i < utf8.size();) {
        width += columnsOf(nextCodePoint(utf8, i));
    }
    return width;
}

QString terminalSafe(const QString &text) {
    const auto acted = [](QChar c) {
        return actedOnByTerminals(c.unicode());
    };
    if (std::none_of(text.cbegin(), text.cend(), acted)) {
        return text;
    }
    QString shown;
    shown.reserve(text.size() + 16);
    // Every character written out lies in the first plane, so UTF-16 units can be read one by one.
    for (const QChar c : text) {
        if (!acted(c)) {
            shown.append(c);
        } else if (c.unicode() < 0x100) {
            shown.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
        } else {
            shown.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
        }
    }
    return shown;
}

QString cutToColumns(const QString &text, int columns) {
    if (terminalWidth(text) <= columns) {
        return text;
    }
    QString cut;
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        width += columnsOf(c);
        if (width > columns - 1) {
            break;
        }
        cut.append(QString::fromUcs4(&c, 1));
    }
    return cut + QChar(0x2026);
}

QByteArrayView tableCell(QByteArrayView stored, int columns, QByteArray &shown, int &width) {
    // One pass: checked and measured as it is read, cut where it stops fitting, written out only when
    // it must. No character takes more columns than it has bytes, so a short text is never cut. The
    // width is counted in a local and handed out at the end: counted through the reference, it would
    // be stored and read back after every byte, since a byte of the text might be where it lies.
    const bool mayBeCut = stored.size() > columns;
    int measured = 0;
    qsizetype fits = 0;
    int fitsWidth = 0;
    for (qsizetype i = 0; i < stored.size();) {
        const auto lead = static_cast<unsigned char>(stored[i]);
        if (lead >= 0x20 && lead < 0x7F) {
            ++i;
            ++measured;
        } else if (lead >= 0xE4 && lead <= 0xE9 && stored.size() - i > 2 && isContinuation(stored[i + 1]) &&
                   isContinuation(stored[i + 2])) {
            // U+4000 to U+9FFF, the bulk of Chinese text: two columns each, no mark or control among them.
            i += 3;
            measured += 2;
        } else {
            const char32_t c = nextWellFormed(stored, i);
            if (c == notUtf8 || (mayStartActedOn[lead] && actedOnByTerminals(c))) {
                const QString cell = cutToColumns(terminalSafe(QString::fromUtf8(stored)), columns);
                width = terminalWidth(cell);
                shown = cell.toUtf8();
                return shown;
            }
            measured += columnsOf(c);
        }
        if (!mayBeCut) {
            continue;
        }
        if (measured > columns) {
            width = fitsWidth + 1;
            shown = stored.first(fits).toByteArray() + ellipsisUtf8;
            return shown;
        }
        if (measured < columns) {
            fits = i;
            fitsWidth = measured;
        }
    }
    width = measured;
    return stored;
}

int spacesAfterCell(int columnWidth, int cellWidth) {
    return std::max(columnWidth - cellWidth, 0) + 2;
}

QString alignedTable(const QList<QStringList> &rows) {
    QList<QStringList> shown;
    shown.reserve(rows.size());
    QList<int> widths;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QString cell = terminalSafe(row[i]);
            cells.append(i + 1 < row.size() ? cutToColumns(cell, widestTableCell) : cell);
            if (widths.size() <= i) {
                widths.append(0);
            }
            widths[i] = std::max(widths[i], terminalWidth(cells.last()));
        }
        shown.append(cells);
    }
    QString text;
    for (const QStringList &row : shown) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line += QString(spacesAfterCell(widths[i], terminalWidth(row[i])), QLatin1Char(' '));
            }
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}
