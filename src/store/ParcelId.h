// The row id of a parcel as a value of its own, so an id is never mixed up with other numbers or text.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class ParcelId final {
public:
    constexpr ParcelId() = default;
    constexpr explicit ParcelId(qint64 value)
        : m_value(value) {}

    // Row ids start at 1; the default id names no row (a number not yet in the book).
    constexpr bool isValid() const { return m_value > 0; }
    constexpr qint64 value() const { return m_value; }
    QString text() const { return QString::number(m_value); }

    // Decimal digits naming a row (surrounding blanks allowed); nothing for anything else: signs,
    // hexadecimal, 0, or values past the largest row id.
    static std::optional<ParcelId> fromText(const QString &text);

    friend constexpr bool operator==(ParcelId, ParcelId) = default;

private:
    qint64 m_value = 0;
};
