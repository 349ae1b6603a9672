// SmtpMailer: submits mail to the configured SMTP server with libcurl, off the window's thread. It is
// built into the SMTP module, which the program loads on its first mail.
#pragma once

#include "mail/Mailer.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>

class SmtpMailer final : public QObject, public Mailer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmtpMailer)

public:
    explicit SmtpMailer(MailSettings settings, QObject *parent = nullptr);
    // Aborts submissions still running and waits for them; their callbacks are dropped.
    ~SmtpMailer() override;

    // STARTTLS whenever the server offers it; 15 s to connect, 60 s for the whole submission.
    // A recipient or sender that is not a mail address ends with an error without contacting the server.
    void send(const MailMessage &message, std::function<void(const MailResult &)> done) override;

private:
    MailResult submit(const MailMessage &message) const;

    const MailSettings m_settings;
    std::atomic_bool m_stopping = false;
    QThreadPool m_pool;
};
