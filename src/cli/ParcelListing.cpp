// Streaming the parcel list as a table or as JSON.
#include "cli/ParcelListing.h"

#include "store/Database.h"
#include "store/ProgressStore.h"
#include "text/NumberText.h"
#include "text/TerminalText.h"
#include "tracking/DeliveryEstimate.h"
#include "tracking/ParcelState.h"
#include "tracking/ProgressReport.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>

namespace {

constexpr qsizetype chunkBytes = 64 * 1024;
constexpr int columnCount = 5;
// Parcels read by one statement: a few milliseconds of reading at most.
constexpr int pageRows = 512;

// Collects the output and hands it on a chunk at a time. Rows are written into the buffer where they
// lie; it grows only for a row longer than the room left in it.
class ChunkedWriter final {
public:
    explicit ChunkedWriter(const std::function<bool(const QByteArray &)> &write)
        : m_write(write) {
        m_buffer.resize(2 * chunkBytes);
    }
    void append(QByteArrayView bytes) {
        // An empty cell may have no data at all, which memcpy may not be given.
        if (bytes.isEmpty()) {
            return;
        }
        std::memcpy(room(bytes.size()), bytes.data(), std::size_t(bytes.size()));
        m_used += bytes.size();
    }
    void spaces(qsizetype count) {
        std::memset(room(count), ' ', std::size_t(count));
        m_used += count;
    }
    // A chunk is collected: the page being read ends with this row.
    bool full() const { return m_used >= chunkBytes; }
    // Hands on a full chunk; false once the output has failed.
    bool flushWhenFull() { return !full() || flush(); }
    // Hands on what is collected; false once the output has failed.
    bool flush() {
        if (m_used == 0) {
            return true;
        }
        const qsizetype capacity = m_buffer.size();
        m_buffer.resize(m_used);
        const bool written = m_write(m_buffer);
        m_buffer.resize(capacity);
        m_used = 0;
        return written;
    }

private:
    char *room(qsizetype bytes) {
        if (m_used + bytes > m_buffer.size()) {
            m_buffer.resize(std::max(m_used + bytes, 2 * m_buffer.size()));
        }
        return m_buffer.data() + m_used;
    }

    const std::function<bool(const QByteArray &)> &m_write;
    QByteArray m_buffer;
    qsizetype m_used = 0;
};

// Reads the parcels after `after` in id order, up to pageRows of them, and hands each to `row` until
// it says the page is over; `after` moves to the last one read, and false says none was left. Each
// page is its own short read, over before any of it is written, so output that stalls (a pager
// nobody scrolls) holds no lock and never keeps the window or a command from storing progress.
template <typename Row> bool readPage(Database &db, const QString &sql, std::int64_t &after, const Row &row) {
    Statement query = db.prepare(sql);
    query.bind(1, after).bind(2, std::int64_t(pageRows));
    bool read = false;
    for (bool more = true; more && query.next(); read = true) {
        after = query.integer(0);
        more = row(query);
    }
    return read;
}

// Reads every parcel a page at a time, each handed to `row`; `betweenPages` runs after each page, its
// statement over, and false from it stops the reading and is returned.
template <typename Row, typename Between>
bool readEveryPage(Database &db, const QString &sql, const Row &row, const Between &betweenPages) {
    std::int64_t after = std::numeric_limits<std::int64_t>::min();
    while (readPage(db, sql, after, row)) {
        if (!betweenPages()) {
            return false;
        }
    }
    return true;
}

using Digits = std::array<char, 24>;
QByteArrayView digits(std::int64_t value, Digits &into) {
    const auto written = std::to_chars(into.data(), into.data() + into.size(), value);
    return QByteArrayView(into.data(), written.ptr - into.data());
}

using Cells = std::array<QByteArrayView, columnCount>;
using Widths = std::array<int, columnCount>;

// One line of the table: each cell but the last padded to its column, two spaces apart. A parcel
// stored since the widths were measured may be wider than its column.
void writeLine(ChunkedWriter &out, const Cells &cells, const Widths &cellWidths, const Widths &columns) {
    for (int column = 0; column + 1 < columnCount; ++column) {
        out.append(cells[column]);
        out.spaces(spacesAfterCell(columns[column], cellWidths[column]));
    }
    out.append(cells[columnCount - 1]);
    out.append("\n");
}

// A parcel as the table shows it: id, number, company, goods and progress count, each with the
// columns it takes on a terminal. The texts are read the way the program reads text, made safe to
// show and cut to the widest cell, in one pass over the stored bytes; the cells are valid until the
// statement steps again.
class TableRow final {
public:
    void read(const Statement &query) {
        m_cells[0] = digits(query.integer(0), m_id);
        for (int column = 1; column <= 3; ++column) {
            m_cells[column] =
                tableCell(query.utf8(column), widestTableCell, m_shown[column - 1], m_widths[column]);
        }
        m_cells[4] = digits(leadingValue(query.utf8(4)), m_count);
        m_widths[0] = int(m_cells[0].size());
        m_widths[4] = int(m_cells[4].size());
    }
    const Cells &cells() const { return m_cells; }
    const Widths &widths() const { return m_widths; }

private:
    Cells m_cells;
    Widths m_widths{};
    Digits m_id{};
    Digits m_count{};
    std::array<QByteArray, 3> m_shown;
};

const QString tableStatement =
    QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook WHERE id > ? ORDER BY id LIMIT ?");

// The book is read twice: once for the widths of the columns, then for the lines.
bool writeTable(Database &db, ChunkedWriter &out) {
    const Cells header = {"编号", "单号", "快递公司", "物品", "进度条数"};
    Widths headerWidths{};
    for (int column = 0; column < columnCount; ++column) {
        headerWidths[column] = terminalWidth(header[column]);
    }
    Widths columns = headerWidths;
    TableRow row;
    readEveryPage(
        db, tableStatement,
        [&](const Statement &query) {
            row.read(query);
            for (int column = 0; column < columnCount; ++column) {
                columns[column] = std::max(columns[column], row.widths()[column]);
            }
            return true;
        },
        [] { return true; });
    writeLine(out, header, headerWidths, columns);
    return readEveryPage(
               db, tableStatement,
               [&](const Statement &query) {
                   row.read(query);
                   writeLine(out, row.cells(), row.widths(), columns);
                   return !out.full();
               },
               [&out] { return out.flushWhenFull(); }) &&
           out.flush();
}

// A JSON string, escaped as Qt's document writer escapes it: the quote, the backslash and control
// characters; everything else as its UTF-8. `out` is the writer or a byte array.
template <typename Out> void appendJsonString(Out &out, QByteArrayView utf8) {
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

QByteArray jsonValue(const std::optional<QString> &text) {
    if (!text) {
        return QByteArrayLiteral("null");
    }
    QByteArray value;
    appendJsonString(value, text->toUtf8());
    return value;
}

QByteArray jsonValue(const std::optional<DeliveryEstimate> &estimate) {
    if (!estimate) {
        return QByteArrayLiteral("null");
    }
    return "{\n            \"basis\": " + QByteArray::number(estimate->basis) +
           ",\n            \"earliest\": \"" + estimate->earliest.toString(Qt::ISODate).toLatin1() +
           "\",\n            \"latest\": \"" + estimate->latest.toString(Qt::ISODate).toLatin1() +
           "\"\n        }";
}

// What the JSON says of a parcel's progress: its pickup code, the day it is expected and its state,
// from its status, its two newest entries' texts, its oldest entry's time and its newest entry's time
// (columns 5 to 9 of the JSON's statement), with the delivered parcels read once before the list. A
// book of the older layout, which only the window and the writing commands bring up to date, keeps no
// progress: its parcels are not queried.
struct ProgressFacts {
    bool progressKept = false;
    tracking::DeliveryHistory history;
    QDateTime now;
};

// The entries are keyed by parcel and position: the second newest and the oldest (the highest
// position) are one short look-up each.
QString jsonStatement(const ProgressFacts &facts) {
    return facts.progressKept
               ? QStringLiteral(
                     "SELECT p.id, p.number, p.company, p.goods, p.num, g.status, g.newest, "
                     "(SELECT text FROM progress_entry WHERE parcel = p.id AND position = 1), "
                     "(SELECT time FROM progress_entry WHERE parcel = p.id ORDER BY position DESC "
                     "LIMIT 1), g.newestTime FROM parcelbook p LEFT JOIN progress g ON g.parcel = p.id "
                     "WHERE p.id > ? ORDER BY p.id LIMIT ?")
               : tableStatement;
}

// A parcel as an object of the JSON array: its texts exactly as stored, read the way the program
// reads text (each sequence that is not UTF-8 replaced).
class JsonObject final {
public:
    explicit JsonObject(const ProgressFacts &facts)
        : m_facts(facts) {}

    void write(ChunkedWriter &out, const Statement &query) {
        readProgress(query);
        out.append("        \"company\": ");
        appendJsonString(out, asUtf8(query.utf8(2), m_repaired[1]));
        out.append(",\n        \"count\": ");
        out.append(digits(leadingValue(query.utf8(4)), m_digits));
        out.append(",\n        \"estimatedDelivery\": ");
        out.append(m_estimate);
        out.append(",\n        \"goods\": ");
        appendJsonString(out, asUtf8(query.utf8(3), m_repaired[2]));
        out.append(",\n        \"id\": ");
        out.append(digits(query.integer(0), m_digits));
        out.append(",\n        \"number\": ");
        appendJsonString(out, asUtf8(query.utf8(1), m_repaired[0]));
        out.append(",\n        \"pickupCode\": ");
        out.append(m_pickupCode);
        out.append(",\n        \"state\": ");
        out.append(m_state);
        out.append(",\n        \"status\": ");
        out.append(m_status);
    }

private:
    void readProgress(const Statement &query) {
        std::optional<QString> code;
        std::optional<DeliveryEstimate> estimate;
        std::optional<QString> word;
        QString newestTime;
        if (m_facts.progressKept && !query.isNull(5)) {
            word = query.text(5);
            newestTime = query.text(9);
            const DeliveryStatus status = tracking::statusOfWord(*word);
            code = tracking::pickupCodeOf(query.text(6), query.text(7), status);
            estimate = m_facts.history.estimate({query.text(2), status, query.text(8), code.has_value()},
                                                m_facts.now.date());
        }
        m_pickupCode = jsonValue(code);
        m_estimate = jsonValue(estimate);
        m_state = jsonValue(
            std::optional(tracking::stateKey(tracking::parcelState(word, newestTime, m_facts.now))));
        m_status = jsonValue(word);
    }
    static QByteArrayView asUtf8(QByteArrayView stored, QByteArray &repaired) {
        if (stored.isValidUtf8()) {
            return stored;
        }
        repaired = QString::fromUtf8(stored).toUtf8();
        return repaired;
    }

    const ProgressFacts &m_facts;
    Digits m_digits{};
    std::array<QByteArray, 3> m_repaired;
    QByteArray m_pickupCode;
    QByteArray m_estimate;
    QByteArray m_state;
    QByteArray m_status;
};

// The layout of QJsonDocument's indented text, keys in its (sorted) order.
bool writeJson(Database &db, ChunkedWriter &out, const QDateTime &now) {
    ProgressFacts facts;
    facts.progressKept = ProgressStore::hasEveryTable(db);
    facts.now = now;
    if (facts.progressKept) {
        // One short read of the delivered parcels, before the first page. Should it fail, the pages
        // that follow fail on the same book and the listing says so.
        if (const Outcome<QList<DeliveredParcel>> delivered = ProgressStore(db).deliveryHistory()) {
            facts.history = tracking::DeliveryHistory(*delivered);
        }
    }
    JsonObject object(facts);
    out.append("[\n");
    bool first = true;
    const bool written = readEveryPage(
        db, jsonStatement(facts),
        [&](const Statement &query) {
            out.append(first ? "    {\n" : ",\n    {\n");
            first = false;
            object.write(out, query);
            out.append("\n    }");
            return !out.full();
        },
        [&out] { return out.flushWhenFull(); });
    if (!written) {
        return false;
    }
    out.append(first ? "]\n" : "\n]\n");
    return out.flush();
}

} // namespace

bool writeParcelList(Database &db, bool json, const QDateTime &now,
                     const std::function<bool(const QByteArray &)> &write) {
    // Each page is read in order and not again soon: a small cache holds the few pages every page's
    // statement goes through on its way down, and the memory stays the same for a book of any size.
    db.exec(QStringLiteral("PRAGMA cache_size = -256"));
    ChunkedWriter out(write);
    return json ? writeJson(db, out, now) : writeTable(db, out);
}
