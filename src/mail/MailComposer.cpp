// Composing the submitted e-mail: headers, the plain part and the HTML part.
#include "mail/MailComposer.h"

#include <QLocale>
#include <QRandomGenerator>

namespace {

// Base64 in lines of 76 characters, each ended by CRLF.
QByteArray base64Lines(const QByteArray &data) {
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * 2 + 2);
    for (qsizetype at = 0; at < encoded.size(); at += 76) {
        out += encoded.mid(at, 76) + "\r\n";
    }
    return out;
}

// Every line break, whatever its form, as CRLF.
QByteArray withCrlf(const QString &text) {
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normal.toUtf8().replace('\n', "\r\n");
}

QByteArray part(const QByteArray &boundary, const char *type, const QString &text) {
    return "--" + boundary + "\r\nContent-Type: " + type +
           "; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" + base64Lines(withCrlf(text));
}

// "Tue, 08 Dec 2026 10:05:07 +0800": English names whatever the locale, the offset of the date itself.
QByteArray rfc5322Date(const QDateTime &date) {
    const int offset = date.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")).toLatin1() +
           (offset < 0 ? '-' : '+') + QByteArray::number(minutes / 60).rightJustified(2, '0') +
           QByteArray::number(minutes % 60).rightJustified(2, '0');
}

} // namespace

namespace notify {

QByteArray encodedHeaderText(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    qsizetype start = 0;
    while (start < utf8.size()) {
        qsizetype end = std::min(start + 45, utf8.size());
        while (end < utf8.size() && end > start && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) {
            --end;
        }
        if (!out.isEmpty()) {
            out += "\r\n ";
        }
        out += "=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=";
        start = end;
    }
    return out;
}

QByteArray messageIdFor(const QString &from) {
    quint32 random[4];
    QRandomGenerator::system()->fillRange(random);
    const QString domain = from.section(QLatin1Char('@'), -1);
    return '<' + QByteArray(reinterpret_cast<const char *>(random), sizeof random).toHex() + '.' +
           QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '@' + domain.toUtf8() + '>';
}

QByteArray composedMail(const MailMessage &message, const QString &to, const QDateTime &date,
                        const QByteArray &messageId) {
    // The identifier's random part names the boundary; "=_" never appears in base64.
    const QByteArray boundary = "=_part_" + messageId.mid(1, messageId.indexOf('.') - 1);
    return "From: " + message.from.toUtf8() + "\r\nTo: " + to.toUtf8() +
           "\r\nSubject: " + encodedHeaderText(message.subject) + "\r\nDate: " + rfc5322Date(date) +
           "\r\nMessage-ID: " + messageId +
           "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; "
           "boundary=\"" +
           boundary + "\"\r\n\r\n" + part(boundary, "text/plain", message.textBody) +
           part(boundary, "text/html", message.htmlBody) + "--" + boundary + "--\r\n";
}

} // namespace notify
