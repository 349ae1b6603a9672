// The one exception the store throws: a statement or the connection failed, with the engine's words.
#pragma once

#include <QString>

#include <stdexcept>

class StoreError final : public std::runtime_error {
public:
    explicit StoreError(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description) {}

    // The failure as the database layer words it.
    const QString &description() const noexcept { return m_description; }
    // What the user is told: the operation that failed, then why ("快递保存失败!错误原因…"). Every
    // store failure reaches the user in these words.
    QString failureText(const QString &operation) const {
        return operation + QStringLiteral("失败!错误原因") + m_description;
    }

private:
    QString m_description;
};
