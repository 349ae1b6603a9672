// Statements on table parcelbook.
#include "store/ParcelStore.h"

#include "store/BookFeed.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "text/NumberText.h"
#include "text/TrackingNumber.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

// A pair of wildcards on each side, exactly as the search statements are written.
QString containing(const QString &text) {
    return QStringLiteral("%%") + text + QStringLiteral("%%");
}

} // namespace

std::optional<ParcelId> ParcelId::fromText(const QString &text) {
    // toLongLong alone would also take a sign, and a value no row can have.
    const QString digits = text.trimmed();
    if (digits.isEmpty() || !std::all_of(digits.cbegin(), digits.cend(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        })) {
        return std::nullopt;
    }
    bool ok = false;
    const ParcelId id(digits.toLongLong(&ok));
    if (!ok || !id.isValid()) {
        return std::nullopt;
    }
    return id;
}

std::optional<qint64> ParcelRow::storedCount() const {
    if (num.isEmpty()) {
        return std::nullopt;
    }
    return leadingValue(num);
}

ParcelStore::ParcelStore(Database &db)
    : m_db(db) {}

QStringView PickerEntries::goods(qsizetype row) const {
    const qsizetype from = start(row);
    return QStringView(m_text).sliced(from, m_ends[row] - from);
}

void PickerEntries::append(std::int64_t id, QStringView goods) {
    m_ids.append(id);
    m_text.append(goods);
    m_ends.append(m_text.size());
}

void PickerEntries::appendUtf8(std::int64_t id, QByteArrayView goods) {
    // UTF-8 never takes fewer bytes than UTF-16 takes units, so the text fits in that many.
    const qsizetype from = m_text.size();
    if (m_text.capacity() < from + goods.size()) {
        m_text.reserve(std::max(2 * m_text.capacity(), from + goods.size()));
    }
    m_text.resize(from + goods.size());
    // Decoded as QString::fromUtf8 decodes: a leading byte-order mark is kept, bad bytes replaced.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QChar *end = decoder.appendToBuffer(m_text.data() + from, goods);
    m_text.resize(end - m_text.constData());
    m_ids.append(id);
    m_ends.append(m_text.size());
}

void PickerEntries::setGoods(qsizetype row, QStringView goods) {
    const qsizetype from = start(row);
    const qsizetype grown = goods.size() - (m_ends[row] - from);
    m_text.replace(from, m_ends[row] - from, goods.data(), goods.size());
    for (qsizetype i = row; i < m_ends.size(); ++i) {
        m_ends[i] += grown;
    }
}

void PickerEntries::remove(qsizetype row, qsizetype count) {
    const qsizetype from = start(row);
    const qsizetype removed = m_ends[row + count - 1] - from;
    m_text.remove(from, removed);
    m_ids.remove(row, count);
    m_ends.remove(row, count);
    for (qsizetype i = row; i < m_ends.size(); ++i) {
        m_ends[i] -= removed;
    }
}

void PickerEntries::clear() {
    m_ids.clear();
    m_ends.clear();
    m_text.resize(0);
}

Outcome<PickerEntries> ParcelStore::pickerEntries() {
    PickerEntries entries;
    if (const Outcome<> read = pickerEntries(entries); !read) {
        return read.failure();
    }
    return entries;
}

Outcome<> ParcelStore::pickerEntries(PickerEntries &into) {
    return atTheDoor([&] {
        Statement query = m_db.prepare(QStringLiteral("SELECT id, goods FROM parcelbook ORDER BY id"));
        into.clear();
        while (query.next()) {
            into.appendUtf8(query.integer(0), query.utf8(1));
        }
    });
}

QList<ParcelRow> ParcelStore::select(const QString &where, const QString &value) {
    Statement query =
        m_db.prepare(QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook WHERE ") + where +
                     QStringLiteral(" ORDER BY id"));
    query.bind(1, value);
    return rows(query);
}

Outcome<QList<ParcelRow>> ParcelStore::all() {
    return atTheDoor([&]() -> QList<ParcelRow> {
        Statement query = m_db.prepare(
            QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook ORDER BY id"));
        return rows(query);
    });
}

QList<ParcelRow> ParcelStore::rows(Statement &query) {
    QList<ParcelRow> rows;
    while (query.next()) {
        rows.append({ParcelId(query.integer(0)), query.text(1), query.text(2), query.text(3), query.text(4)});
    }
    return rows;
}

Outcome<QList<ParcelRow>> ParcelStore::byGoods(const QString &goods) {
    return atTheDoor([&]() -> QList<ParcelRow> { return select(QStringLiteral("goods = ?"), goods); });
}

Outcome<QList<ParcelRow>> ParcelStore::byGoodsContaining(const QString &text) {
    return atTheDoor(
        [&]() -> QList<ParcelRow> { return select(QStringLiteral("goods LIKE ?"), containing(text)); });
}

Outcome<QList<ParcelRow>> ParcelStore::byNumber(const QString &number) {
    return atTheDoor([&]() -> QList<ParcelRow> {
        // The text as typed, or both sides read by the number rule: blanks, dashes and case stored by
        // older versions do not hide a parcel. A text that holds no number matches only itself.
        Statement query = m_db.prepare(
            QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook "
                           "WHERE number = ?1 OR (?2 <> '' AND tracking_number(number) = ?2) ORDER BY id"));
        query.bind(1, number).bind(2, normalizedTrackingNumber(number));
        return rows(query);
    });
}

Outcome<QList<ParcelRow>> ParcelStore::byNumberContaining(const QString &text) {
    return atTheDoor(
        [&]() -> QList<ParcelRow> { return select(QStringLiteral("number LIKE ?"), containing(text)); });
}

Outcome<bool> ParcelStore::exists(ParcelId id) {
    return atTheDoor([&]() -> bool {
        Statement query = m_db.prepare(QStringLiteral("SELECT 1 FROM parcelbook WHERE id = ?"));
        query.bind(1, id.value());
        return query.next();
    });
}

Outcome<std::optional<ParcelRow>> ParcelStore::byId(ParcelId id) {
    return atTheDoor([&]() -> std::optional<ParcelRow> {
        Statement query = m_db.prepare(
            QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook WHERE id = ?"));
        query.bind(1, id.value());
        if (!query.next()) {
            return std::nullopt;
        }
        return ParcelRow{ParcelId(query.integer(0)), query.text(1), query.text(2), query.text(3),
                         query.text(4)};
    });
}

bool ParcelStore::storeCount(ParcelId id, qint64 count) {
    Statement update = m_db.prepare(QStringLiteral("UPDATE parcelbook SET num = ? WHERE id = ?"));
    update.bind(1, QString::number(count)).bind(2, id.value()).run();
    return m_db.changes() > 0;
}

Outcome<bool> ParcelStore::setCount(ParcelId id, qint64 count) {
    return atTheDoor([&] { return storeCount(id, count); });
}

Outcome<bool> ParcelStore::resetCount(ParcelId id) {
    return atTheDoor([&] { return storeCount(id, 0) && said(&BookFeed::parcelEdited, id); });
}

Outcome<bool> ParcelStore::modify(ParcelId id, const QString &company, const QString &goods,
                                  const QString &number) {
    return atTheDoor([&]() -> bool {
        Statement update = m_db.prepare(
            QStringLiteral("UPDATE parcelbook SET company = ?, goods = ?, number = ? WHERE id = ?"));
        update.bind(1, company).bind(2, goods).bind(3, number).bind(4, id.value()).run();
        return m_db.changes() > 0 && said(&BookFeed::parcelEdited, id);
    });
}

Outcome<bool> ParcelStore::remove(ParcelId id) {
    return atTheDoor([&]() -> bool {
        Statement erase = m_db.prepare(QStringLiteral("DELETE FROM parcelbook WHERE id = ?"));
        erase.bind(1, id.value()).run();
        return m_db.changes() > 0 && said(&BookFeed::parcelRemoved, id);
    });
}

Outcome<> ParcelStore::clear() {
    return atTheDoor([&]() {
        m_db.exec(QStringLiteral("DELETE FROM parcelbook"));
        if (BookFeed *feed = m_db.feed()) {
            Q_EMIT feed->bookCleared();
        }
    });
}

Outcome<ParcelId> ParcelStore::add(const QString &company, const QString &number, const QString &goods) {
    return atTheDoor([&]() -> ParcelId {
        Statement insert = m_db.prepare(
            QStringLiteral("INSERT INTO parcelbook (company, number, goods, num) VALUES (?, ?, ?, '0')"));
        insert.bind(1, company).bind(2, number).bind(3, goods).run();
        const ParcelId id(m_db.lastInsertId());
        said(&BookFeed::parcelAdded, id);
        return id;
    });
}

bool ParcelStore::said(void (BookFeed::*change)(ParcelId), ParcelId id) const {
    if (BookFeed *feed = m_db.feed()) {
        Q_EMIT(feed->*change)(id);
    }
    return true;
}
