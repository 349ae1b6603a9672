// JSON string values cut out of a text.
#include "text/JsonText.h"

#include <optional>
#include <string_view>

namespace {

std::optional<char16_t> hexUnit(QStringView raw, qsizetype at) {
    if (at + 4 > raw.size()) {
        return std::nullopt;
    }
    char16_t unit = 0;
    for (qsizetype i = at; i < at + 4; ++i) {
        const char16_t c = raw[i].unicode();
        unit = static_cast<char16_t>(unit << 4);
        if (c >= u'0' && c <= u'9') {
            unit |= static_cast<char16_t>(c - u'0');
        } else if (c >= u'a' && c <= u'f') {
            unit |= static_cast<char16_t>(c - u'a' + 10);
        } else if (c >= u'A' && c <= u'F') {
            unit |= static_cast<char16_t>(c - u'A' + 10);
        } else {
            return std::nullopt;
        }
    }
    return unit;
}

std::optional<char16_t> simpleEscape(char16_t c) {
    switch (c) {
    case u'"':
        return u'"';
    case u'\\':
        return u'\\';
    case u'/':
        return u'/';
    case u'b':
        return u'\b';
    case u'f':
        return u'\f';
    case u'n':
        return u'\n';
    case u'r':
        return u'\r';
    case u't':
        return u'\t';
    default:
        return std::nullopt;
    }
}

} // namespace

// Values are short: a plain scan is quicker than a library search call per value.
qsizetype jsonValueEnd(QStringView text, qsizetype from, qsizetype bound) {
    const char16_t *data = text.utf16();
    for (qsizetype at = from; at < bound; ++at) {
        if (data[at] == u'\\') {
            ++at;
        } else if (data[at] == u'"') {
            return at;
        }
    }
    return bound;
}

QString decodeJsonText(QStringView raw) {
    const std::u16string_view units(raw.utf16(), static_cast<std::size_t>(raw.size()));
    const std::size_t firstEscape = units.find(u'\\');
    if (firstEscape == std::u16string_view::npos) {
        return raw.toString();
    }
    auto at = static_cast<qsizetype>(firstEscape);
    QString text;
    text.reserve(raw.size());
    text.append(raw.first(at));
    while (at < raw.size()) {
        const QChar c = raw[at];
        if (c != u'\\' || at + 1 == raw.size()) {
            text.append(c);
            ++at;
            continue;
        }
        const char16_t next = raw[at + 1].unicode();
        if (const std::optional<char16_t> plain = simpleEscape(next)) {
            text.append(QChar(*plain));
            at += 2;
            continue;
        }
        if (next == u'u') {
            if (const std::optional<char16_t> unit = hexUnit(raw, at + 2)) {
                if (!QChar::isSurrogate(*unit)) {
                    text.append(QChar(*unit));
                    at += 6;
                    continue;
                }
                if (QChar::isHighSurrogate(*unit) && raw.sliced(at + 6).startsWith(u"\\u")) {
                    const std::optional<char16_t> low = hexUnit(raw, at + 8);
                    if (low && QChar::isLowSurrogate(*low)) {
                        text.append(QChar(*unit));
                        text.append(QChar(*low));
                        at += 12;
                        continue;
                    }
                }
            }
        }
        // Not an escape this text knows: the backslash stays, and what follows is read as text.
        text.append(c);
        ++at;
    }
    return text;
}
