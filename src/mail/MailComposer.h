// The update e-mail as it is submitted: its header lines and a two-part body, plain text beside HTML.
#pragma once

#include "mail/Mailer.h"

#include <QByteArray>
#include <QDateTime>

namespace notify {

// RFC 2047 encoded words of at most 45 bytes each, split between whole UTF-8 characters and folded
// onto continuation lines, so any text fits a header.
QByteArray encodedHeaderText(const QString &text);

// A fresh "<random.milliseconds@domain>" identifier in the sender's domain; no two calls give the same.
QByteArray messageIdFor(const QString &from);

// From, To, Subject, Date (RFC 5322, with the date's own offset), Message-ID and a multipart/alternative
// body: the text/plain part first, then text/html, both UTF-8 in base64 with CRLF line ends. The
// boundary cannot occur in base64, so no body text can end a part early. `to` is the cleaned
// recipient; the addresses are expected to be checked already.
QByteArray composedMail(const MailMessage &message, const QString &to, const QDateTime &date,
                        const QByteArray &messageId);

} // namespace notify
