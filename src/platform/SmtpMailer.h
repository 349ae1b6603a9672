// SmtpMailer: submits mail to the configured SMTP server with libcurl, off the window's thread. It is
// built into the SMTP module, which the program loads on its first mail.
#pragma once

#include "mail/Mailer.h"

#include <QObject>

#include <chrono>
#include <memory>

// How long a submission may take, how long the sender's end waits for its submissions, and where the
// login may go out without encryption.
struct SmtpOptions {
    std::chrono::milliseconds connectLimit{15000};
    // The whole submission, from connecting to the server's acceptance; also the longest wait for any
    // one answer of the server, including the farewell after the mail.
    std::chrono::milliseconds submissionLimit{60000};
    // After cutting their connections, the sender's end waits at most this long for its submissions;
    // one still running then is abandoned and ends with the process.
    std::chrono::milliseconds closeLimit{1000};
    // A server on this computer (the demo and the tests) may take the login without STARTTLS.
    bool clearLoginToLoopback = true;
};

// Whether the server the smtp:// or smtps:// address names is this computer itself: 127.0.0.0/8, ::1
// or "localhost". The text is only looked at, never resolved.
bool isLoopbackMailServer(const QString &smtpUrl);

struct SmtpTransfers;

class SmtpMailer final : public QObject, public Mailer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmtpMailer)

public:
    explicit SmtpMailer(MailSettings settings, SmtpOptions options = {}, QObject *parent = nullptr);
    // Cuts the connections of submissions still running and waits for them at most the close limit;
    // their callbacks are dropped.
    ~SmtpMailer() override;

    // Each mail runs on a thread of its own, so one stalled server never delays the next mail. The
    // login needs TLS (smtps:// or STARTTLS) unless the server is this computer; without it the mail
    // fails before the password is sent. A recipient or sender that is not a mail address ends with an
    // error without contacting the server. `done` is called as soon as the server has accepted or
    // refused the mail, before the connection is closed.
    void send(const MailMessage &message, std::function<void(const MailResult &)> done) override;

private:
    const MailSettings m_settings;
    const SmtpOptions m_options;
    const std::shared_ptr<SmtpTransfers> m_transfers;
};
