// The mail server settings, as the services file and the variables give them.
#include "mail/Mailer.h"

#include "net/ServiceAddresses.h"

Mailer::~Mailer() = default;

MailSettings MailSettings::configured() {
    const MailSubmission mail = servicesfile::configured().mail;
    return {mail.smtpUrl, mail.from, mail.user.isEmpty() ? mail.from : mail.user, mail.password};
}
