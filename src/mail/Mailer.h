// The seam for sending e-mail, with the mail server settings; the real sender speaks SMTP, tests may fake it.
#pragma once

#include "text/Failure.h"

#include <QString>

#include <functional>

// Where and as whom mail is submitted. The password is never written to any output.
struct MailSettings {
    QString smtpUrl;
    QString from;
    QString user;
    QString password;

    // From the variables over the services file (nothing is built in); the user defaults to the sender.
    static MailSettings configured();

    friend bool operator==(const MailSettings &, const MailSettings &) = default;
};

struct MailMessage {
    QString from;
    QString to;
    QString subject;  // plain text; the sender encodes it for the header
    QString htmlBody; // UTF-8 HTML
    QString textBody; // the same facts as plain text, for readers that show no HTML
};

// Sent, or why not.
using MailResult = Outcome<>;

class Mailer {
public:
    virtual ~Mailer();
    // Returns at once; `done` runs later on the calling thread, never inside send().
    virtual void send(const MailMessage &message, std::function<void(const MailResult &)> done) = 0;
};
