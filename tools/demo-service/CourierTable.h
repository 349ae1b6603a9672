// The courier companies the demo service knows, read from the embedded couriers.tsv.
#pragma once

#include <QList>
#include <QString>

#include <optional>

struct Courier {
    QString name;
    QString code;   // what a tracking query carries in com=
    QString shibie; // what a recognition answer carries in comCode
};

class CourierTable final {
public:
    explicit CourierTable(const QString &path);

    bool isEmpty() const { return m_couriers.isEmpty(); }
    bool hasCode(const QString &code) const;
    // The first company, in file order, whose name contains the word.
    std::optional<Courier> byNameContaining(const QString &word) const;

private:
    QList<Courier> m_couriers;
};
