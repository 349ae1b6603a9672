// Statements on table list.
#include "store/CourierStore.h"

#include "store/Database.h"
#include "store/StoreError.h"

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

std::optional<CourierRow> CourierStore::first(const QString &where, const QString &value) {
    const QList<CourierRow> rows = select(where, value);
    return rows.isEmpty() ? std::nullopt : std::optional<CourierRow>(rows.first());
}

Outcome<QList<CourierRow>> CourierStore::all() {
    return atTheDoor([this] { return select(QString(), QString()); });
}

Outcome<std::optional<CourierRow>> CourierStore::byId(const QString &id) {
    bool ok = false;
    const qlonglong value = id.trimmed().toLongLong(&ok);
    if (!ok) {
        return Failure{QStringLiteral("快递公司编号无效: ") + id};
    }
    return atTheDoor([this, value]() -> std::optional<CourierRow> {
        Statement query =
            m_db.prepare(QStringLiteral("SELECT id, name, code, shibie, \"call\" FROM list WHERE id = ?"));
        query.bind(1, static_cast<std::int64_t>(value));
        if (!query.next()) {
            return std::nullopt;
        }
        return CourierRow{query.integer(0), query.text(1), query.text(2), query.text(3), query.text(4)};
    });
}

Outcome<QList<CourierRow>> CourierStore::byNameContaining(const QString &text) {
    return atTheDoor([this, &text] {
        return select(QStringLiteral("name LIKE ?"), QStringLiteral("%%") + text + QStringLiteral("%%"));
    });
}

Outcome<std::optional<CourierRow>> CourierStore::byName(const QString &name) {
    return atTheDoor([this, &name] { return first(QStringLiteral("name = ?"), name); });
}

Outcome<std::optional<CourierRow>> CourierStore::byTypedName(const QString &typed) {
    const QString name = typed.trimmed();
    if (name.isEmpty()) {
        return std::optional<CourierRow>();
    }
    return atTheDoor([this, &name]() -> std::optional<CourierRow> {
        if (std::optional<CourierRow> exact = first(QStringLiteral("name = ?"), name)) {
            return exact;
        }
        const QList<CourierRow> containing =
            select(QStringLiteral("name LIKE ?"), QStringLiteral("%%") + name + QStringLiteral("%%"));
        return containing.size() == 1 ? std::optional<CourierRow>(containing.first()) : std::nullopt;
    });
}

Outcome<std::optional<CourierRow>> CourierStore::byRecognitionCode(const QString &code) {
    return atTheDoor([this, &code] { return first(QStringLiteral("shibie = ?"), code); });
}
