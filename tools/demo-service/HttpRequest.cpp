// Splitting the request line into method, path and query pairs.
#include "HttpRequest.h"

namespace {

QString decoded(const QByteArray &text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
}

} // namespace

std::optional<HttpRequest> HttpRequest::parse(const QByteArray &head) {
    const qsizetype end = head.indexOf('\n');
    QByteArray line = end < 0 ? head : head.left(end);
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    // A hand-written request may carry a raw blank inside the target, so the target runs from the
    // first blank to the last one.
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last <= first + 1 || !line.mid(last + 1).startsWith("HTTP/")) {
        return std::nullopt;
    }
    HttpRequest request;
    request.m_method = line.left(first);
    const QByteArray target = line.mid(first + 1, last - first - 1);
    const qsizetype question = target.indexOf('?');
    request.m_path = question < 0 ? target : target.left(question);
    if (question >= 0) {
        for (const QByteArray &pair : target.mid(question + 1).split('&')) {
            if (pair.isEmpty()) {
                continue;
            }
            const qsizetype equals = pair.indexOf('=');
            if (equals < 0) {
                request.m_query.append({decoded(pair), QString()});
            } else {
                request.m_query.append({decoded(pair.left(equals)), decoded(pair.mid(equals + 1))});
            }
        }
    }
    return request;
}

QString HttpRequest::value(const QString &key) const {
    for (const auto &[name, value] : m_query) {
        if (name == key) {
            return value;
        }
    }
    return {};
}

QStringList HttpRequest::values(const QString &key) const {
    QStringList found;
    for (const auto &[name, value] : m_query) {
        if (name == key) {
            found.append(value);
        }
    }
    return found;
}
