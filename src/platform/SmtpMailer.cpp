// The libcurl SMTP submission: a two-part MIME message uploaded as composed, each mail on its own thread.
#include "platform/SmtpMailer.h"

#include "mail/MailComposer.h"
#include "net/ServiceAddresses.h"
#include "platform/MailFailure.h"
#include "platform/PlatformModules.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

// What the sender shares with its submissions, which may outlive it. Every socket a submission opens is
// listed here, so the sender's end can cut them and no transfer is left waiting on a silent server.
struct SmtpTransfers {
    std::mutex lock;
    std::condition_variable ended;
    int running = 0;
    std::atomic_bool stopping = false;
    SmtpMailer *owner = nullptr; // null once the sender is gone
    std::set<curl_socket_t> sockets;
};

namespace {

struct EasyFree {
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
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

// The server's replies are not needed; without this curl would copy them to standard output.
size_t discard(char *, size_t size, size_t count, void *) {
    return size * count;
}

struct Upload {
    QByteArray data;
    qsizetype at = 0;
};

size_t readUpload(char *buffer, size_t size, size_t count, void *upload) {
    auto *source = static_cast<Upload *>(upload);
    const size_t length = std::min(size * count, static_cast<size_t>(source->data.size() - source->at));
    std::memcpy(buffer, source->data.constData() + source->at, length);
    source->at += static_cast<qsizetype>(length);
    return length;
}

curl_socket_t openListedSocket(void *transfers, curlsocktype, curl_sockaddr *address) {
    auto *shared = static_cast<SmtpTransfers *>(transfers);
    const std::lock_guard guard(shared->lock);
    if (shared->stopping) {
        return CURL_SOCKET_BAD;
    }
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
        shared->sockets.insert(socket);
    }
    return socket;
}

int closeListedSocket(void *transfers, curl_socket_t socket) {
    auto *shared = static_cast<SmtpTransfers *>(transfers);
    const std::lock_guard guard(shared->lock);
    shared->sockets.erase(socket);
    return ::close(socket);
}

int abortWhenStopping(void *transfers, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const SmtpTransfers *>(transfers)->stopping ? 1 : 0;
}

// Submits on the given handle and returns how it ended. The connection stays with the handle: closing
// it says goodbye to the server, which the caller does after passing the result on.
MailResult submit(CURL *curl, SmtpTransfers &transfers, const MailSettings &settings,
                  const SmtpOptions &options, const MailMessage &message) {
    const QString to = message.to.trimmed();
    if (!isMailAddress(to)) {
        return Failure{QStringLiteral("收件人“%1”不是有效的邮箱地址").arg(to), {}};
    }
    if (!isMailAddress(message.from)) {
        return Failure{QStringLiteral("发件人“%1”不是有效的邮箱地址").arg(message.from), {}};
    }
    if (settings.smtpUrl.trimmed().isEmpty()) {
        return Failure{QStringLiteral("尚未设置发信服务器"), {}};
    }
    if (const Outcome<> fits = checkServiceAddress(settings.smtpUrl, AddressKind::Mail); !fits) {
        return Failure{QStringLiteral("发信服务器") + fits.failure().reason, {}};
    }
    if (curl == nullptr) {
        return Failure{QStringLiteral("无法初始化邮件发送"), {}};
    }
    const QByteArray url = settings.smtpUrl.toUtf8();
    const QByteArray user = settings.user.toUtf8();
    const QByteArray password = settings.password.toUtf8();
    const QByteArray from = message.from.toUtf8();
    const QByteArray recipient = to.toUtf8();
    Upload upload{
        notify::composedMail(message, to, QDateTime::currentDateTime(), notify::messageIdFor(message.from))};
    char errorText[CURL_ERROR_SIZE] = {};

    const bool clearLoginAllowed = options.clearLoginToLoopback && isLoopbackMailServer(settings.smtpUrl);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    // Whatever the address says, curl speaks mail to it or nothing: another scheme would send the login
    // to a web server or write a file.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
                     static_cast<long>(clearLoginAllowed ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    ListPtr recipients;
    append(recipients, recipient);
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload.data.size()));

    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectLimit.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(options.submissionLimit.count()));
    // The total limit does not cover the farewell when the connection closes; this one does.
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(std::max<qint64>(1, options.submissionLimit.count() / 1000)));
    // Threads other than the main one must not use signals for timeouts.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, openListedSocket);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &transfers);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, closeListedSocket);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &transfers);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenStopping);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfers);

    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) {
        return {};
    }
    const QString said = errorText[0] != '\0' ? QString::fromUtf8(errorText).trimmed()
                                              : QString::fromUtf8(curl_easy_strerror(code));
    return Failure{mailFailureReason(code, said), said};
}

} // namespace

bool isLoopbackMailServer(const QString &smtpUrl) {
    const QString host = QUrl(smtpUrl).host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

SmtpMailer::SmtpMailer(MailSettings settings, SmtpOptions options, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_options(options)
    , m_transfers(std::make_shared<SmtpTransfers>()) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_transfers->owner = this;
}

SmtpMailer::~SmtpMailer() {
    std::unique_lock guard(m_transfers->lock);
    m_transfers->owner = nullptr;
    m_transfers->stopping = true;
    // A cut connection ends its transfer at once, whatever the transfer was waiting for.
    for (const curl_socket_t socket : m_transfers->sockets) {
        ::shutdown(socket, SHUT_RDWR);
    }
    const auto allEnded = [transfers = m_transfers.get()] {
        return transfers->running == 0;
    };
    static_cast<void>(m_transfers->ended.wait_for(guard, m_options.closeLimit, allEnded));
}

void SmtpMailer::send(const MailMessage &message, std::function<void(const MailResult &)> done) {
    {
        const std::lock_guard guard(m_transfers->lock);
        ++m_transfers->running;
    }
    std::thread([transfers = m_transfers, settings = m_settings, options = m_options, message,
                 done = std::move(done)]() mutable {
        std::unique_ptr<CURL, EasyFree> easy(curl_easy_init());
        const MailResult result = submit(easy.get(), *transfers, settings, options, message);
        {
            // Queued to the sender: runs on its thread, and is dropped with it.
            const std::lock_guard guard(transfers->lock);
            if (transfers->owner != nullptr) {
                QMetaObject::invokeMethod(
                    transfers->owner, [done = std::move(done), result] { done(result); },
                    Qt::QueuedConnection);
            }
        }
        easy.reset();
        const std::lock_guard guard(transfers->lock);
        --transfers->running;
        transfers->ended.notify_all();
    }).detach();
}

Mailer *parcelbook_create_mailer(const MailSettings *settings) {
    return new SmtpMailer(*settings);
}
