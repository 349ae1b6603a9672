// Streaming the parcel list as a table or as JSON.
#include "cli/ParcelListing.h"

#include "store/Database.h"
#include "text/NumberText.h"
#include "text/TerminalText.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <charconv>

namespace {

constexpr qsizetype chunkBytes = 64 * 1024;
constexpr int columnCount = 5;

// Collects the output and hands it on a chunk at a time.
class ChunkedWriter final {
public:
    explicit ChunkedWriter(const std::function<bool(const QByteArray &)> &write)
        : m_write(write) {
        m_buffer.reserve(2 * chunkBytes);
    }
    void append(QByteArrayView bytes) { m_buffer.append(bytes); }
    void spaces(qsizetype count) { m_buffer.append(count, ' '); }
    // Called after each row: hands on a full chunk; false once the output has failed.
    bool rowDone() { return m_buffer.size() < chunkBytes || flush(); }
    bool flush() {
        const bool written = m_buffer.isEmpty() || m_write(m_buffer);
        m_buffer.resize(0);
        return written;
    }

private:
    const std::function<bool(const QByteArray &)> &m_write;
    QByteArray m_buffer;
};

// One parcel's cells as the output carries them: id, number, company, goods and progress count,
// each valid UTF-8 and valid until the statement steps again. The JSON carries the texts exactly; a
// terminal gets them safe to show and cut to the widest cell, measured as they are read.
class ListedRow final {
public:
    enum class Texts { Exact, ForTerminal };
    explicit ListedRow(Texts texts)
        : m_texts(texts) {}

    void read(const Statement &query) {
        m_cells[0] = digits(query.integer(0), m_id);
        for (int column = 1; column <= 3; ++column) {
            const qsizetype text = column - 1;
            m_cells[column] = asUtf8(query.utf8(column), m_repaired[text]);
            if (m_texts == Texts::ForTerminal) {
                m_cells[column] =
                    tableCell(m_cells[column], widestTableCell, m_shown[text], m_widths[column]);
            }
        }
        m_cells[4] = digits(leadingValue(query.utf8(4)), m_count);
        m_widths[0] = int(m_cells[0].size());
        m_widths[4] = int(m_cells[4].size());
    }
    QByteArrayView cell(int column) const { return m_cells[column]; }
    // Columns the cell takes on a terminal.
    int width(int column) const { return m_widths[column]; }

private:
    using Digits = std::array<char, 24>;
    static QByteArrayView digits(std::int64_t value, Digits &into) {
        const auto written = std::to_chars(into.data(), into.data() + into.size(), value);
        return QByteArrayView(into.data(), written.ptr - into.data());
    }
    // Stored text that is not UTF-8 reads the way the program reads text: each bad sequence replaced.
    static QByteArrayView asUtf8(QByteArrayView stored, QByteArray &repaired) {
        if (stored.isValidUtf8()) {
            return stored;
        }
        repaired = QString::fromUtf8(stored).toUtf8();
        return repaired;
    }

    Texts m_texts;
    std::array<QByteArrayView, columnCount> m_cells;
    Digits m_id{};
    Digits m_count{};
    std::array<QByteArray, 3> m_repaired;
    std::array<QByteArray, 3> m_shown;
    std::array<int, columnCount> m_widths{};
};

Statement everyParcel(Database &db) {
    return db.prepare(QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook ORDER BY id"));
}

// The lines under the widths measured; false when the output failed.
bool writeLines(Database &db, ChunkedWriter &out, const std::array<int, columnCount> &widths,
                const std::array<QByteArrayView, columnCount> &header) {
    const auto line = [&](const auto &cellOf, const auto &widthOf) {
        for (int column = 0; column < columnCount; ++column) {
            out.append(cellOf(column));
            if (column + 1 < columnCount) {
                out.spaces(widths[column] - widthOf(column) + 2);
            }
        }
        out.append("\n");
    };
    line([&](int column) { return header[column]; },
         [&](int column) { return terminalWidth(header[column]); });
    ListedRow row(ListedRow::Texts::ForTerminal);
    Statement query = everyParcel(db);
    while (query.next()) {
        row.read(query);
        line([&](int column) { return row.cell(column); }, [&](int column) { return row.width(column); });
        if (!out.rowDone()) {
            return false;
        }
    }
    return out.flush();
}

bool writeTable(Database &db, ChunkedWriter &out) {
    const std::array<QByteArrayView, columnCount> header = {"编号", "单号", "快递公司", "物品", "进度条数"};
    std::array<int, columnCount> widths{};
    for (int column = 0; column < columnCount; ++column) {
        widths[column] = terminalWidth(header[column]);
    }
    // Both passes read in one transaction, so a write from the window between them cannot leave a
    // line wider than its column.
    db.exec(QStringLiteral("BEGIN"));
    {
        ListedRow row(ListedRow::Texts::ForTerminal);
        Statement query = everyParcel(db);
        while (query.next()) {
            row.read(query);
            for (int column = 0; column < columnCount; ++column) {
                widths[column] = std::max(widths[column], row.width(column));
            }
        }
    }
    const bool written = writeLines(db, out, widths, header);
    db.exec(QStringLiteral("COMMIT"));
    return written;
}

// A JSON string, escaped as Qt's document writer escapes it: the quote, the backslash and control
// characters; everything else as its UTF-8.
void appendJsonString(ChunkedWriter &out, QByteArrayView utf8) {
    static constexpr char hex[] = "0123456789abcdef";
    out.append("\"");
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\') {
            continue;
        }
        out.append(utf8.sliced(plainFrom, i - plainFrom));
        plainFrom = i + 1;
        switch (byte) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default: {
            const char escaped[] = {'\\', 'u', '0', '0', hex[byte >> 4], hex[byte & 0xf]};
            out.append(QByteArrayView(escaped, sizeof escaped));
        }
        }
    }
    out.append(utf8.sliced(plainFrom));
    out.append("\"");
}

// The layout of QJsonDocument's indented text, keys in its (sorted) order.
bool writeJson(Database &db, ChunkedWriter &out) {
    out.append("[\n");
    ListedRow row(ListedRow::Texts::Exact);
    bool first = true;
    Statement query = everyParcel(db);
    while (query.next()) {
        row.read(query);
        out.append(first ? "    {\n" : ",\n    {\n");
        first = false;
        out.append("        \"company\": ");
        appendJsonString(out, row.cell(2));
        out.append(",\n        \"count\": ");
        out.append(row.cell(4));
        out.append(",\n        \"goods\": ");
        appendJsonString(out, row.cell(3));
        out.append(",\n        \"id\": ");
        out.append(row.cell(0));
        out.append(",\n        \"number\": ");
        appendJsonString(out, row.cell(1));
        out.append("\n    }");
        if (!out.rowDone()) {
            return false;
        }
    }
    out.append(first ? "]\n" : "\n]\n");
    return out.flush();
}

} // namespace

bool writeParcelList(Database &db, bool json, const std::function<bool(const QByteArray &)> &write) {
    // Each page is read in order and not again soon: the engine's default cache is enough, and the
    // memory stays the same for a book of any size.
    db.exec(QStringLiteral("PRAGMA cache_size = -2000"));
    ChunkedWriter out(write);
    return json ? writeJson(db, out) : writeTable(db, out);
}
