// One HTTP request head as the demo service reads it off the wire.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class HttpRequest final {
public:
    // Empty when the head's request line is not "METHOD TARGET HTTP/x".
    static std::optional<HttpRequest> parse(const QByteArray &head);

    QByteArray method() const { return m_method; }
    QByteArray path() const { return m_path; }
    bool hasQuery() const { return !m_query.isEmpty(); }
    // The first value of the key; empty when absent.
    QString value(const QString &key) const;
    // Every value of the key in the order they came, for keys that occur more than once.
    QStringList values(const QString &key) const;

private:
    QByteArray m_method;
    QByteArray m_path;
    QList<std::pair<QString, QString>> m_query;
};
