// The one exception the store throws: a statement or the connection failed, with the engine's words.
#pragma once

#include <QString>

#include <stdexcept>

class StoreError final : public std::runtime_error {
public:
    explicit StoreError(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description) {}

    // The failure as the database layer words it; shown to the user where a Part asks for it.
    const QString &description() const noexcept { return m_description; }

private:
    QString m_description;
};
