// Statements on table list.
#include "store/CourierStore.h"

#include "store/Database.h"
#include "store/StoreError.h"

namespace {

std::optional<CourierRow> first(const QList<CourierRow> &rows) {
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return rows.first();
}

} // namespace

CourierStore::CourierStore(Database &db)
    : m_db(db) {}

QList<CourierRow> CourierStore::select(const QString &where, const QString &value) {
    QString sql = QStringLiteral("SELECT id, name, code, shibie, \"call\" FROM list");
    if (!where.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + where;
    }
    Statement query = m_db.prepare(sql + QStringLiteral(" ORDER BY id"));
    if (!where.isEmpty()) {
        query.bind(1, value);
    }
    QList<CourierRow> rows;
    while (query.next()) {
        rows.append({query.integer(0), query.text(1), query.text(2), query.text(3), query.text(4)});
    }
    return rows;
}

QList<CourierRow> CourierStore::all() {
    return select(QString(), QString());
}

std::optional<CourierRow> CourierStore::byId(const QString &id) {
    bool ok = false;
    const qlonglong value = id.trimmed().toLongLong(&ok);
    if (!ok) {
        throw StoreError(QStringLiteral("快递公司编号无效: ") + id);
    }
    Statement query =
        m_db.prepare(QStringLiteral("SELECT id, name, code, shibie, \"call\" FROM list WHERE id = ?"));
    query.bind(1, static_cast<std::int64_t>(value));
    if (!query.next()) {
        return std::nullopt;
    }
    return CourierRow{query.integer(0), query.text(1), query.text(2), query.text(3), query.text(4)};
}

QList<CourierRow> CourierStore::byNameContaining(const QString &text) {
    return select(QStringLiteral("name LIKE ?"), QStringLiteral("%%") + text + QStringLiteral("%%"));
}

std::optional<CourierRow> CourierStore::byName(const QString &name) {
    return first(select(QStringLiteral("name = ?"), name));
}

std::optional<CourierRow> CourierStore::byTypedName(const QString &typed) {
    const QString name = typed.trimmed();
    if (name.isEmpty()) {
        return std::nullopt;
    }
    if (std::optional<CourierRow> exact = byName(name)) {
        return exact;
    }
    const QList<CourierRow> containing = byNameContaining(name);
    return containing.size() == 1 ? std::optional<CourierRow>(containing.first()) : std::nullopt;
}

std::optional<CourierRow> CourierStore::byRecognitionCode(const QString &code) {
    return first(select(QStringLiteral("shibie = ?"), code));
}
