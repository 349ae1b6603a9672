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
#include <limits>

namespace {

constexpr qsizetype chunkBytes = 64 * 1024;
constexpr int columnCount = 5;
// The JSON carries four more cells, each as its JSON value: the pickup code, the expected delivery, the
// state and the status word.
constexpr int cellCount = columnCount + 4;
// Parcels read by one statement: a few milliseconds of reading at most.
constexpr int pageRows = 512;

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

// A JSON value: the text as a string, or null.
QByteArray jsonValue(const std::optional<QString> &text);
// {"basis": N, "earliest": "YYYY-MM-DD", "latest": "YYYY-MM-DD"} laid out as a value of a listed
// parcel, or null.
QByteArray jsonValue(const std::optional<DeliveryEstimate> &estimate);

// One parcel's cells as the output carries them: id, number, company, goods and progress count,
// each valid UTF-8 and valid until the statement steps again, then for the JSON the pickup code and
// the expected delivery as JSON values. The JSON carries the texts exactly; a terminal gets them safe
// to show and cut to the widest cell, measured as they are read.
class ListedRow final {
public:
    enum class Texts { Exact, ForTerminal };
    explicit ListedRow(Texts texts)
        : m_texts(texts) {}

    void read(const Statement &query, const ProgressFacts *facts) {
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
        if (facts) {
            readProgress(query, *facts);
        }
    }
    QByteArrayView cell(int column) const { return m_cells[column]; }
    // Columns the cell takes on a terminal.
    int width(int column) const { return m_widths[column]; }

private:
    void readProgress(const Statement &query, const ProgressFacts &facts) {
        std::optional<QString> code;
        std::optional<DeliveryEstimate> estimate;
        std::optional<QString> word;
        QString newestTime;
        if (facts.progressKept && !query.isNull(5)) {
            word = query.text(5);
            newestTime = query.text(9);
            const DeliveryStatus status = tracking::statusOfWord(*word);
            code = tracking::pickupCodeOf(query.text(6), query.text(7), status);
            estimate = facts.history.estimate({query.text(2), status, query.text(8), code.has_value()},
                                              facts.now.date());
        }
        m_pickupCode = jsonValue(code);
        m_estimate = jsonValue(estimate);
        m_state =
            jsonValue(std::optional(tracking::stateKey(tracking::parcelState(word, newestTime, facts.now))));
        m_status = jsonValue(word);
        m_cells[5] = m_pickupCode;
        m_cells[6] = m_estimate;
        m_cells[7] = m_state;
        m_cells[8] = m_status;
    }

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
    std::array<QByteArrayView, cellCount> m_cells;
    Digits m_id{};
    Digits m_count{};
    std::array<QByteArray, 3> m_repaired;
    std::array<QByteArray, 3> m_shown;
    QByteArray m_pickupCode;
    QByteArray m_estimate;
    QByteArray m_state;
    QByteArray m_status;
    std::array<int, columnCount> m_widths{};
};

using Cells = std::array<QByteArrayView, cellCount>;
using Widths = std::array<int, columnCount>;

// Some parcels in id order, their cells copied out of the statement: each page is its own short read,
// over before any of it is written, so output that stalls (a pager nobody scrolls) holds no lock and
// never keeps the window or a command from storing progress.
class ParcelPage final {
public:
    // The parcels after `after`, up to pageRows of them or about a chunk of bytes; false when none.
    // With `facts` (the JSON), each parcel's progress is read with it.
    bool readAfter(Database &db, std::int64_t after, ListedRow::Texts texts, const ProgressFacts *facts) {
        m_bytes.resize(0);
        m_ends.resize(0);
        m_widths.resize(0);
        // The entries are keyed by parcel and position: the second newest and the oldest (the highest
        // position) are one short look-up each.
        Statement query = db.prepare(
            facts && facts->progressKept
                ? QStringLiteral(
                      "SELECT p.id, p.number, p.company, p.goods, p.num, g.status, g.newest, "
                      "(SELECT text FROM progress_entry WHERE parcel = p.id AND position = 1), "
                      "(SELECT time FROM progress_entry WHERE parcel = p.id ORDER BY position DESC "
                      "LIMIT 1), g.newestTime FROM parcelbook p LEFT JOIN progress g ON g.parcel = p.id "
                      "WHERE p.id > ? ORDER BY p.id LIMIT ?")
                : QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook WHERE id > ? "
                                 "ORDER BY id LIMIT ?"));
        query.bind(1, after).bind(2, std::int64_t(pageRows));
        ListedRow row(texts);
        while (m_bytes.size() < chunkBytes && query.next()) {
            row.read(query, facts);
            for (int cell = 0; cell < cellCount; ++cell) {
                m_bytes.append(row.cell(cell));
                m_ends.append(m_bytes.size());
            }
            for (int column = 0; column < columnCount; ++column) {
                m_widths.append(row.width(column));
            }
            m_lastId = query.integer(0);
        }
        return !m_ends.isEmpty();
    }
    qsizetype size() const { return m_ends.size() / cellCount; }
    Cells row(qsizetype index) const {
        Cells cells;
        for (int cell = 0; cell < cellCount; ++cell) {
            const qsizetype end = m_ends[index * cellCount + cell];
            const qsizetype start = index == 0 && cell == 0 ? 0 : m_ends[index * cellCount + cell - 1];
            cells[cell] = QByteArrayView(m_bytes).sliced(start, end - start);
        }
        return cells;
    }
    Widths widths(qsizetype index) const {
        Widths widths;
        std::copy_n(m_widths.cbegin() + index * columnCount, columnCount, widths.begin());
        return widths;
    }
    std::int64_t lastId() const { return m_lastId; }

private:
    QByteArray m_bytes;
    // Where each cell ends in m_bytes, row after row.
    QList<qsizetype> m_ends;
    // The columns each cell takes on a terminal, in the same order.
    QList<int> m_widths;
    std::int64_t m_lastId = 0;
};

// Hands every parcel's cells and their widths to `each` in id order; false as soon as `each` is.
template <typename Each>
bool forEachParcel(Database &db, ListedRow::Texts texts, const ProgressFacts *facts, const Each &each) {
    ParcelPage page;
    std::int64_t after = std::numeric_limits<std::int64_t>::min();
    while (page.readAfter(db, after, texts, facts)) {
        for (qsizetype i = 0; i < page.size(); ++i) {
            if (!each(page.row(i), page.widths(i))) {
                return false;
            }
        }
        after = page.lastId();
    }
    return true;
}

// The lines under the widths measured; false when the output failed.
bool writeLines(Database &db, ChunkedWriter &out, const std::array<int, columnCount> &widths,
                const Cells &header) {
    const auto line = [&](const Cells &cells, const Widths &cellWidths) {
        for (int column = 0; column < columnCount; ++column) {
            out.append(cells[column]);
            if (column + 1 < columnCount) {
                // A parcel stored since the widths were measured may be wider than its column.
                out.spaces(spacesAfterCell(widths[column], cellWidths[column]));
            }
        }
        out.append("\n");
    };
    Widths headerWidths{};
    for (int column = 0; column < columnCount; ++column) {
        headerWidths[column] = terminalWidth(header[column]);
    }
    line(header, headerWidths);
    return forEachParcel(db, ListedRow::Texts::ForTerminal, nullptr,
                         [&](const Cells &cells, const Widths &cellWidths) {
                             line(cells, cellWidths);
                             return out.rowDone();
                         }) &&
           out.flush();
}

bool writeTable(Database &db, ChunkedWriter &out) {
    const Cells header = {"编号", "单号", "快递公司", "物品", "进度条数", {}, {}, {}, {}};
    std::array<int, columnCount> widths{};
    for (int column = 0; column < columnCount; ++column) {
        widths[column] = terminalWidth(header[column]);
    }
    forEachParcel(db, ListedRow::Texts::ForTerminal, nullptr, [&](const Cells &, const Widths &cellWidths) {
        for (int column = 0; column < columnCount; ++column) {
            widths[column] = std::max(widths[column], cellWidths[column]);
        }
        return true;
    });
    return writeLines(db, out, widths, header);
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
    out.append("[\n");
    bool first = true;
    const bool written =
        forEachParcel(db, ListedRow::Texts::Exact, &facts, [&](const Cells &cells, const Widths &) {
            out.append(first ? "    {\n" : ",\n    {\n");
            first = false;
            out.append("        \"company\": ");
            appendJsonString(out, cells[2]);
            out.append(",\n        \"count\": ");
            out.append(cells[4]);
            out.append(",\n        \"estimatedDelivery\": ");
            out.append(cells[6]);
            out.append(",\n        \"goods\": ");
            appendJsonString(out, cells[3]);
            out.append(",\n        \"id\": ");
            out.append(cells[0]);
            out.append(",\n        \"number\": ");
            appendJsonString(out, cells[1]);
            out.append(",\n        \"pickupCode\": ");
            out.append(cells[5]);
            out.append(",\n        \"state\": ");
            out.append(cells[7]);
            out.append(",\n        \"status\": ");
            out.append(cells[8]);
            out.append("\n    }");
            return out.rowDone();
        });
    if (!written) {
        return false;
    }
    out.append(first ? "]\n" : "\n]\n");
    return out.flush();
}

} // namespace

bool writeParcelList(Database &db, bool json, const QDateTime &now,
                     const std::function<bool(const QByteArray &)> &write) {
    // Each page is read in order and not again soon: the engine's default cache is enough, and the
    // memory stays the same for a book of any size.
    db.exec(QStringLiteral("PRAGMA cache_size = -2000"));
    ChunkedWriter out(write);
    return json ? writeJson(db, out, now) : writeTable(db, out);
}
