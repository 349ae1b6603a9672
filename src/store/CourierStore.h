// The courier directory's statements on table list.
#pragma once

#include "text/Failure.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

class Database;

struct CourierRow {
    std::int64_t id = 0;
    QString name;
    QString code;
    QString shibie;
    QString call;
};

class CourierStore final {
public:
    explicit CourierStore(Database &db);

    Outcome<QList<CourierRow>> all();
    Outcome<std::optional<CourierRow>> byId(const QString &id);
    Outcome<QList<CourierRow>> byNameContaining(const QString &text);
    Outcome<std::optional<CourierRow>> byName(const QString &name);
    // The company a typed name means: the one of that name, else the only one whose name contains it
    // ("顺丰" for 顺丰快递); nothing when none or several do.
    Outcome<std::optional<CourierRow>> byTypedName(const QString &typed);
    Outcome<std::optional<CourierRow>> byRecognitionCode(const QString &code);

private:
    QList<CourierRow> select(const QString &where, const QString &value);
    std::optional<CourierRow> first(const QString &where, const QString &value);

    Database &m_db;
};
