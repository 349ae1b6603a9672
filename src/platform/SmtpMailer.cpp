// The libcurl SMTP submission: a MIME message with one HTML part, sent from a pool thread.
#include "platform/SmtpMailer.h"

#include "platform/PlatformModules.h"

#include <QDateTime>
#include <QMetaObject>
#include <QRegularExpression>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

struct EasyFree {
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct MimeFree {
    void operator()(curl_mime *mime) const { curl_mime_free(mime); }
};
struct ListFree {
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using ListPtr = std::unique_ptr<curl_slist, ListFree>;

void append(ListPtr &list, const QByteArray &line) {
    curl_slist *grown = curl_slist_append(list.get(), line.constData());
    if (grown != nullptr) {
        static_cast<void>(list.release());
        list.reset(grown);
    }
}

// Without a space, angle bracket or line break in it (also none at its very end: \z, not $), so it
// cannot split a header or an SMTP command.
bool isMailAddress(const QString &text) {
    static const QRegularExpression address(
        QStringLiteral(R"(^[^\s\x00-\x1f@<>()\[\],;:\\"]+@[^\s\x00-\x1f@<>()\[\],;:\\".]+)"
                       R"((\.[^\s\x00-\x1f@<>()\[\],;:\\".]+)+\z)"));
    return address.match(text).hasMatch();
}

// RFC 2047 encoded words of at most 45 bytes each (60 base64 characters), split between whole
// UTF-8 characters and folded onto continuation lines.
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

// The server's replies are not needed; without this curl would copy them to standard output.
size_t discard(char *, size_t size, size_t count, void *) {
    return size * count;
}

int abortWhenStopping(void *stopping, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic_bool *>(stopping)->load() ? 1 : 0;
}

} // namespace

SmtpMailer::SmtpMailer(MailSettings settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings)) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

SmtpMailer::~SmtpMailer() {
    m_stopping = true;
    m_pool.waitForDone();
}

void SmtpMailer::send(const MailMessage &message, std::function<void(const MailResult &)> done) {
    m_pool.start([this, message, done = std::move(done)]() mutable {
        const MailResult result = submit(message);
        // Queued to this object: runs on its thread, and is dropped with the object.
        QMetaObject::invokeMethod(
            this, [done = std::move(done), result] { done(result); }, Qt::QueuedConnection);
    });
}

MailResult SmtpMailer::submit(const MailMessage &message) const {
    const QString to = message.to.trimmed();
    if (!isMailAddress(to)) {
        return {false, QStringLiteral("收件人“%1”不是有效的邮箱地址").arg(to)};
    }
    if (!isMailAddress(message.from)) {
        return {false, QStringLiteral("发件人“%1”不是有效的邮箱地址").arg(message.from)};
    }

    const std::unique_ptr<CURL, EasyFree> easy(curl_easy_init());
    if (!easy) {
        return {false, QStringLiteral("无法初始化邮件发送")};
    }
    CURL *curl = easy.get();
    const QByteArray url = m_settings.smtpUrl.toUtf8();
    const QByteArray user = m_settings.user.toUtf8();
    const QByteArray password = m_settings.password.toUtf8();
    const QByteArray from = message.from.toUtf8();
    const QByteArray recipient = to.toUtf8();
    const QByteArray html = message.htmlBody.toUtf8();
    char errorText[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    ListPtr recipients;
    append(recipients, recipient);
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get());

    ListPtr headers;
    append(headers, "From: " + from);
    append(headers, "To: " + recipient);
    append(headers, "Subject: " + encodedHeaderText(message.subject));
    append(headers, "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1());
    append(headers, "MIME-Version: 1.0");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());

    const std::unique_ptr<curl_mime, MimeFree> mime(curl_mime_init(curl));
    curl_mimepart *part = curl_mime_addpart(mime.get());
    curl_mime_data(part, html.constData(), static_cast<size_t>(html.size()));
    curl_mime_type(part, "text/html; charset=UTF-8");
    curl_mime_encoder(part, "base64");
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime.get());

    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
    // Pool threads must not use signals for timeouts.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenStopping);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic_bool *>(&m_stopping));

    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) {
        return {true, QString()};
    }
    const QString error = errorText[0] != '\0' ? QString::fromUtf8(errorText).trimmed()
                                               : QString::fromUtf8(curl_easy_strerror(code));
    return {false, error};
}

Mailer *parcelbook_create_mailer(const MailSettings *settings) {
    return new SmtpMailer(*settings);
}
