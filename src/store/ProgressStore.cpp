// Statements on the progress and preference tables.
#include "store/ProgressStore.h"

#include "store/Database.h"
#include "store/StoreError.h"

namespace {

const QString signedFor = QStringLiteral("已签收");
constexpr int defaultWatchMinutes = 30;

// When the parcel was checked is read only where it is wanted: as a local time it costs a time-zone
// look-up, and the overview, which reads every parcel, has no use for it.
enum class Checked { Read, Skipped };

std::optional<ProgressRow> progressAt(const Statement &query, int first, Checked checked) {
    if (query.isNull(first)) {
        return std::nullopt;
    }
    return ProgressRow{query.text(first), query.text(first + 1), query.text(first + 2),
                       checked == Checked::Read ? QDateTime::fromString(query.text(first + 3), Qt::ISODate)
                                                : QDateTime(),
                       query.integer(first + 4) != 0};
}

} // namespace

ProgressStore::ProgressStore(Database &db)
    : m_db(db) {}

void ProgressStore::addMissingTables(Database &db) {
    db.exec(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS progress (parcel INTEGER PRIMARY KEY, status TEXT NOT NULL, "
        "newest TEXT NOT NULL, newestTime TEXT NOT NULL, checked TEXT NOT NULL, "
        "unseen INTEGER NOT NULL DEFAULT 0)"));
    // A trigger rather than a foreign key: it holds on every connection, whatever its pragmas.
    db.exec(
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS progress_goes_with_parcel AFTER DELETE ON parcelbook "
                       "BEGIN DELETE FROM progress WHERE parcel = OLD.id; END"));
    // Keyed by parcel first, so a pick reads its entries in one short range of the index.
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS progress_entry (parcel INTEGER NOT NULL, "
                           "position INTEGER NOT NULL, time TEXT NOT NULL, text TEXT NOT NULL, "
                           "PRIMARY KEY (parcel, position)) WITHOUT ROWID"));
    db.exec(QStringLiteral(
        "CREATE TRIGGER IF NOT EXISTS progress_entries_go_with_parcel AFTER DELETE ON parcelbook "
        "BEGIN DELETE FROM progress_entry WHERE parcel = OLD.id; END"));
    db.exec(
        QStringLiteral("CREATE TABLE IF NOT EXISTS preference (name TEXT PRIMARY KEY, value TEXT NOT NULL)"));
}

bool ProgressStore::hasEveryTable(Database &db) {
    Statement count = db.prepare(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE (type = 'table' AND name IN ('progress', "
        "'progress_entry', 'preference')) OR (type = 'trigger' AND name IN ('progress_goes_with_parcel', "
        "'progress_entries_go_with_parcel'))"));
    return count.next() && count.integer(0) == 5;
}

void ProgressStore::writeRow(ParcelId parcel, const ProgressRow &row, bool newProgress) {
    // The engine predates upserts: the row is replaced whole, carrying over an unseen mark.
    Statement replace = m_db.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO progress (parcel, status, newest, newestTime, checked, unseen) VALUES "
        "(?, ?, ?, ?, ?, ? OR COALESCE((SELECT unseen FROM progress WHERE parcel = ?), 0))"));
    replace.bind(1, parcel.value())
        .bind(2, row.status)
        .bind(3, row.newest)
        .bind(4, row.newestTime)
        .bind(5, row.checked.toString(Qt::ISODate))
        .bind(6, std::int64_t(newProgress ? 1 : 0))
        .bind(7, parcel.value())
        .run();
}

void ProgressStore::writeEntries(ParcelId parcel, const QList<ProgressEntry> &entries) {
    Statement remove = m_db.prepare(QStringLiteral("DELETE FROM progress_entry WHERE parcel = ?"));
    remove.bind(1, parcel.value()).run();
    Statement insert = m_db.prepare(
        QStringLiteral("INSERT INTO progress_entry (parcel, position, time, text) VALUES (?, ?, ?, ?)"));
    for (qsizetype position = 0; position < entries.size(); ++position) {
        insert.bind(1, parcel.value())
            .bind(2, std::int64_t(position))
            .bind(3, entries[position].time)
            .bind(4, entries[position].context)
            .run();
        insert.reset();
    }
}

Outcome<> ProgressStore::record(ParcelId parcel, const ProgressRow &row, bool newProgress) {
    return atTheDoor([&] { writeRow(parcel, row, newProgress); });
}

Outcome<> ProgressStore::replaceEntries(ParcelId parcel, const QList<ProgressEntry> &entries) {
    return atTheDoor([&] { writeEntries(parcel, entries); });
}

Outcome<> ProgressStore::markSeen(ParcelId parcel) {
    return atTheDoor([&] { writeSeen(parcel); });
}

Outcome<bool> ProgressStore::storeAnswer(const AnswerToStore &answer) {
    return atTheDoor([&]() -> bool {
        Transaction transaction(m_db);
        Statement exists = m_db.prepare(QStringLiteral("SELECT 1 FROM parcelbook WHERE id = ?"));
        exists.bind(1, answer.parcel.value());
        if (!exists.next()) {
            return false;
        }
        if (answer.newCount) {
            Statement count = m_db.prepare(QStringLiteral("UPDATE parcelbook SET num = ? WHERE id = ?"));
            count.bind(1, QString::number(*answer.newCount)).bind(2, answer.parcel.value()).run();
            if (m_db.changes() == 0) {
                return false;
            }
        }
        writeRow(answer.parcel, answer.row, answer.newCount.has_value() && !answer.seen);
        writeEntries(answer.parcel, answer.entries);
        if (answer.seen) {
            writeSeen(answer.parcel);
        }
        transaction.commit();
        return true;
    });
}

Outcome<QList<ProgressEntry>> ProgressStore::entries(ParcelId parcel) {
    return atTheDoor([&]() -> QList<ProgressEntry> {
        Statement query = m_db.prepare(
            QStringLiteral("SELECT time, text FROM progress_entry WHERE parcel = ? ORDER BY position"));
        query.bind(1, parcel.value());
        QList<ProgressEntry> kept;
        while (query.next()) {
            kept.append({query.text(0), query.text(1)});
        }
        return kept;
    });
}

void ProgressStore::writeSeen(ParcelId parcel) {
    Statement update = m_db.prepare(QStringLiteral("UPDATE progress SET unseen = 0 WHERE parcel = ?"));
    update.bind(1, parcel.value()).run();
}

Outcome<std::optional<ProgressRow>> ProgressStore::byParcel(ParcelId parcel) {
    return atTheDoor([&]() -> std::optional<ProgressRow> {
        Statement query = m_db.prepare(QStringLiteral(
            "SELECT status, newest, newestTime, checked, unseen FROM progress WHERE parcel = ?"));
        query.bind(1, parcel.value());
        if (!query.next()) {
            return std::nullopt;
        }
        return progressAt(query, 0, Checked::Read);
    });
}

Outcome<QList<OverviewRow>> ProgressStore::overview() {
    return atTheDoor([&]() -> QList<OverviewRow> {
        // The entries are keyed by parcel and position: the second newest and the oldest (the highest
        // position) are one short look-up each.
        Statement query = m_db.prepare(QStringLiteral(
            "SELECT p.id, p.goods, p.number, p.company, g.status, g.newest, g.newestTime, g.checked, "
            "g.unseen, "
            "(SELECT text FROM progress_entry WHERE parcel = p.id AND position = 1), "
            "(SELECT time FROM progress_entry WHERE parcel = p.id ORDER BY position DESC LIMIT 1) "
            "FROM parcelbook p LEFT JOIN progress g ON g.parcel = p.id ORDER BY p.id"));
        QList<OverviewRow> rows;
        while (query.next()) {
            rows.append({ParcelId(query.integer(0)), query.text(1), query.text(2), query.text(3),
                         progressAt(query, 4, Checked::Skipped), query.text(9), query.text(10)});
        }
        return rows;
    });
}

Outcome<QList<DeliveredParcel>> ProgressStore::deliveryHistory() {
    return atTheDoor([&]() -> QList<DeliveredParcel> {
        // Signed for at the newest entry, whose time the progress row keeps; accepted at the oldest, one
        // look-up at the end of the parcel's range of entries.
        Statement query = m_db.prepare(QStringLiteral("SELECT p.company, (SELECT time FROM progress_entry "
                                                      "WHERE parcel = g.parcel ORDER BY position DESC "
                                                      "LIMIT 1), g.newestTime FROM progress g JOIN "
                                                      "parcelbook p ON p.id = g.parcel WHERE g.status = ?"));
        query.bind(1, signedFor);
        QList<DeliveredParcel> delivered;
        while (query.next()) {
            // A parcel whose entries the book does not keep (one checked before it kept them) tells nothing.
            if (!query.isNull(1)) {
                delivered.append({query.text(0), query.text(1), query.text(2)});
            }
        }
        return delivered;
    });
}

Outcome<QList<ParcelId>> ProgressStore::notSignedFor() {
    return atTheDoor([&]() -> QList<ParcelId> {
        Statement query =
            m_db.prepare(QStringLiteral("SELECT p.id FROM parcelbook p LEFT JOIN progress g ON "
                                        "g.parcel = p.id WHERE g.status IS NULL OR g.status <> ? "
                                        "ORDER BY p.id"));
        query.bind(1, signedFor);
        QList<ParcelId> ids;
        while (query.next()) {
            ids.append(ParcelId(query.integer(0)));
        }
        return ids;
    });
}

std::optional<QString> ProgressStore::preference(const QString &name) {
    Statement query = m_db.prepare(QStringLiteral("SELECT value FROM preference WHERE name = ?"));
    query.bind(1, name);
    if (!query.next()) {
        return std::nullopt;
    }
    return query.text(0);
}

void ProgressStore::setPreference(const QString &name, const QString &value) {
    Statement replace =
        m_db.prepare(QStringLiteral("INSERT OR REPLACE INTO preference (name, value) VALUES (?, ?)"));
    replace.bind(1, name).bind(2, value).run();
}

Outcome<bool> ProgressStore::watchOn() {
    return atTheDoor([&]() -> bool {
        return preference(QStringLiteral("watch.on")).value_or(QStringLiteral("1")) != QStringLiteral("0");
    });
}

Outcome<int> ProgressStore::watchMinutes() {
    return atTheDoor([&]() -> int {
        bool ok = false;
        const int minutes = preference(QStringLiteral("watch.minutes")).value_or(QString()).toInt(&ok);
        return ok && minutes > 0 ? minutes : defaultWatchMinutes;
    });
}

Outcome<> ProgressStore::setWatch(bool on, int minutes) {
    return atTheDoor([&] {
        Transaction transaction(m_db);
        setPreference(QStringLiteral("watch.on"), on ? QStringLiteral("1") : QStringLiteral("0"));
        setPreference(QStringLiteral("watch.minutes"), QString::number(minutes));
        transaction.commit();
    });
}

Outcome<std::optional<QDate>> ProgressStore::quotaUsedUpOn() {
    return atTheDoor([&]() -> std::optional<QDate> {
        const std::optional<QString> day = preference(QStringLiteral("quota.usedUpOn"));
        if (!day) {
            return std::nullopt;
        }
        const QDate read = QDate::fromString(*day, Qt::ISODate);
        return read.isValid() ? std::optional<QDate>(read) : std::nullopt;
    });
}

Outcome<> ProgressStore::setQuotaUsedUpOn(QDate day) {
    return atTheDoor([&]() { setPreference(QStringLiteral("quota.usedUpOn"), day.toString(Qt::ISODate)); });
}

Outcome<std::optional<QString>> ProgressStore::versionShown() {
    return atTheDoor([&]() -> std::optional<QString> { return preference(QStringLiteral("version.shown")); });
}

Outcome<> ProgressStore::setVersionShown(const QString &version) {
    return atTheDoor([&]() { setPreference(QStringLiteral("version.shown"), version); });
}
