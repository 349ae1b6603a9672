// Defaults of the mail server settings, kept in this one place.
#include "mail/Mailer.h"

namespace {

QString fromEnvironment(const char *name, const QString &fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

Mailer::~Mailer() = default;

MailSettings MailSettings::fromEnvironment() {
    MailSettings settings;
    settings.smtpUrl =
        ::fromEnvironment("PARCELBOOK_SMTP_URL", QStringLiteral("smtp://smtp.lanzhou.example:25"));
    settings.from =
        ::fromEnvironment("PARCELBOOK_MAIL_FROM", QStringLiteral("notice@baoguo.lanzhou.example"));
    settings.user = ::fromEnvironment("PARCELBOOK_SMTP_USER", settings.from);
    settings.password = ::fromEnvironment("PARCELBOOK_SMTP_PASSWORD", QStringLiteral("tx517204"));
    return settings;
}
