// How anything in the program fails: a Failure says why in Chinese and keeps the library's own words
// for the log; a call that can fail returns an Outcome, holding either its value or its Failure.
#pragma once

#include <QString>

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

struct Failure {
    // What a caller may act on beyond telling the reason.
    enum class Kind {
        Plain,
        // The book's file is damaged, or is no database at all.
        Damaged,
        // Another running copy of the program holds the book.
        HeldElsewhere,
        // The file is not there; callers that can do without it go on.
        Missing,
    };

    // Why, in Chinese, as the user reads it ("磁盘已满").
    QString reason;
    // The library's own words and codes; they go to the log, never to the user.
    QString detail = {};
    Kind kind = Kind::Plain;

    // What the user is told: the operation that failed, then why ("快递保存失败!错误原因磁盘已满").
    QString said(const QString &operation) const {
        return operation + QStringLiteral("失败!错误原因") + reason;
    }
};

template <typename T> inline constexpr bool readsAsTruth = std::is_same_v<T, bool>;
template <typename T> inline constexpr bool readsAsTruth<std::optional<T>> = true;

// A value, or the Failure that kept it from being made. Test it before reading it. An outcome whose
// value is itself true or false (a row found or not) is tested with ok(), so that "no failure" is never
// read as "found".
template <typename T = void> class [[nodiscard]] Outcome {
public:
    Outcome(T value)
        : m_state(std::in_place_index<0>, std::move(value)) {}
    Outcome(Failure failure)
        : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const requires(!readsAsTruth<T>) { return ok(); }
    T &operator*() { return std::get<0>(m_state); }
    const T &operator*() const { return std::get<0>(m_state); }
    T *operator->() { return &std::get<0>(m_state); }
    const T *operator->() const { return &std::get<0>(m_state); }
    const Failure &failure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// Done, or the Failure that stopped it.
template <> class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure)
        : m_failure(std::move(failure)) {}

    bool ok() const { return !m_failure.has_value(); }
    explicit operator bool() const { return ok(); }
    const Failure &failure() const { return *m_failure; }

private:
    std::optional<Failure> m_failure;
};
