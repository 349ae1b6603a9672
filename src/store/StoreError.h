// The one exception the store throws: a statement or the connection failed, with the engine's words.
#pragma once

#include "text/Failure.h"

#include <QString>

#include <stdexcept>
#include <type_traits>

// A database engine failure by its result code (the extended code will do); systemError is the
// errno behind an I/O failure or 0, which names the cause when the engine only knows it could not
// open or read the file. The engine's words go to the log.
QString storeFailureReason(int resultCode, int systemError, const QString &detail = {});

class StoreError final : public std::runtime_error {
public:
    // A failure the store words itself (in Chinese); resultCode 0.
    explicit StoreError(const QString &description)
        : StoreError(description, 0, 0) {}
    // A failure the engine reported: its words, its result code and the errno behind it (or 0).
    StoreError(const QString &description, int resultCode, int systemError)
        : std::runtime_error(description.toStdString())
        , m_description(description)
        , m_resultCode(resultCode)
        , m_systemError(systemError) {}

    // The engine found the file damaged, or no database at all (a truncated or overwritten file).
    bool meansDamage() const;
    // The failure as the database layer words it.
    const QString &description() const noexcept { return m_description; }
    // The cause in Chinese ("磁盘已满", "文件已损坏"); the engine's own words go to the log.
    QString reason() const;
    // What the user is told: the operation that failed, then why ("快递保存失败!错误原因磁盘已满").
    // Every store failure reaches the user in these words.
    QString failureText(const QString &operation) const {
        return operation + QStringLiteral("失败!错误原因") + reason();
    }

private:
    QString m_description;
    int m_resultCode;
    int m_systemError;
};

// What a caller outside the store learns of a StoreError.
Failure failureOf(const StoreError &error);

// The store's door: each public statement runs its work here, so a StoreError never leaves the store;
// inside it the exception still carries a failed step out of a transaction, which rolls back whole.
template <typename Work> auto atTheDoor(Work &&work) -> Outcome<std::invoke_result_t<Work>> {
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Work>>) {
            work();
            return {};
        } else {
            return work();
        }
    } catch (const StoreError &error) {
        return failureOf(error);
    }
}
