// The parcel book's statements: one named function per statement, user text always bound.
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

class Database;
class Statement;

struct ParcelRow {
    std::int64_t id = 0;
    QString number;
    QString company;
    QString goods;
    QString num;
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

    // Every parcel in the order the parcels were added (the picker's entries).
    PickerEntries pickerEntries();
    // The same into entries whose memory is reused, so a reload allocates nothing.
    void pickerEntries(PickerEntries &into);
    // Every parcel with all its columns, in the order the parcels were added.
    QList<ParcelRow> all();
    QList<ParcelRow> byGoods(const QString &goods);
    QList<ParcelRow> byGoodsContaining(const QString &text);
    QList<ParcelRow> byNumber(const QString &number);
    QList<ParcelRow> byNumberContaining(const QString &text);

    // The statements on one parcel take the id as the current parcel holds it (decimal text);
    // text that is not an id fails like an invalid statement. They return false when no row has it.
    bool exists(const QString &id);
    std::optional<ParcelRow> byId(const QString &id);
    bool setCount(const QString &id, std::int64_t count);
    bool resetCount(const QString &id);
    bool modify(const QString &id, const QString &company, const QString &goods, const QString &number);
    void remove(const QString &id);
    void clear();
    std::int64_t add(const QString &company, const QString &number, const QString &goods);

private:
    QList<ParcelRow> select(const QString &where, const QString &value);
    static QList<ParcelRow> rows(Statement &query);

    Database &m_db;
};
