// The parcel book's statements: one named function per statement, user text always bound.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

class BookFeed;
class Database;
class Statement;

struct ParcelRow {
    ParcelId id;
    QString number;
    QString company;
    QString goods;
    // The stored progress count exactly as the column holds it (text, written by older books too).
    QString num;

    // The stored count's leading value; nothing while the column is empty (nothing stored yet).
    std::optional<qint64> storedCount() const;
};

// What the parcel picker lists of every parcel: its goods text and the row it stands for, packed
// into one text buffer and two arrays, so a book of any size costs no allocation per parcel.
class PickerEntries final {
public:
    qsizetype size() const { return m_ids.size(); }
    bool isEmpty() const { return m_ids.isEmpty(); }
    std::int64_t id(qsizetype row) const { return m_ids[row]; }
    QStringView goods(qsizetype row) const;

    void append(std::int64_t id, QStringView goods);
    // Decodes the text straight into the buffer.
    void appendUtf8(std::int64_t id, QByteArrayView goods);
    void setGoods(qsizetype row, QStringView goods);
    // Empties the entries and keeps their memory for the next fill.
    void clear();
    void remove(qsizetype row, qsizetype count);

private:
    qsizetype start(qsizetype row) const { return row == 0 ? 0 : m_ends[row - 1]; }

    QList<std::int64_t> m_ids;
    // Where each row's text ends in m_text.
    QList<qsizetype> m_ends;
    QString m_text;
};

class ParcelStore final {
public:
    explicit ParcelStore(Database &db);
    // The connection, for a transaction around several statements.
    Database &database() const { return m_db; }

    // Every parcel in the order the parcels were added (the picker's entries).
    Outcome<PickerEntries> pickerEntries();
    // The same into entries whose memory is reused, so a reload allocates nothing.
    Outcome<> pickerEntries(PickerEntries &into);
    // Every parcel with all its columns, in the order the parcels were added.
    Outcome<QList<ParcelRow>> all();
    Outcome<QList<ParcelRow>> byGoods(const QString &goods);
    Outcome<QList<ParcelRow>> byGoodsContaining(const QString &text);
    // The parcels whose stored number is this text, or reads by the number rule as this one does.
    Outcome<QList<ParcelRow>> byNumber(const QString &number);
    Outcome<QList<ParcelRow>> byNumberContaining(const QString &text);

    // The statements on one parcel return false (or nothing) when no row has the id. Those that change
    // the book tell the connection's feed once the change is made; setCount() alone is silent, as its
    // caller stores an answer and says so for the whole of it.
    Outcome<bool> exists(ParcelId id);
    Outcome<std::optional<ParcelRow>> byId(ParcelId id);
    Outcome<bool> setCount(ParcelId id, qint64 count);
    Outcome<bool> resetCount(ParcelId id);
    Outcome<bool> modify(ParcelId id, const QString &company, const QString &goods, const QString &number);
    Outcome<bool> remove(ParcelId id);
    Outcome<> clear();
    Outcome<ParcelId> add(const QString &company, const QString &number, const QString &goods);

private:
    QList<ParcelRow> select(const QString &where, const QString &value);
    bool storeCount(ParcelId id, qint64 count);
    static QList<ParcelRow> rows(Statement &query);
    // Tells the connection's feed of a change made; always true, so a statement can end with it.
    bool said(void (BookFeed::*change)(ParcelId), ParcelId id) const;

    Database &m_db;
};
