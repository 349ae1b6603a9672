// Making SMTP senders from the module loaded on the first mail.
#include "platform/ModuleMailer.h"

#include "platform/PlatformModules.h"

std::unique_ptr<CurrentSettingsMailer> moduleMailer(CurrentSettingsMailer::SettingsSource settings,
                                                    const QString &moduleFolder) {
    return std::make_unique<CurrentSettingsMailer>(
        std::move(settings), [moduleFolder](const MailSettings &current, QString *error) {
            QString loaderWords;
            const auto create =
                reinterpret_cast<decltype(&parcelbook_create_mailer)>(platformmodules::resolve(
                    moduleFolder, platformmodules::smtpFile(), "parcelbook_create_mailer", &loaderWords));
            if (!create) {
                qWarning("%s", qPrintable(loaderWords));
                *error = QStringLiteral("邮件发送模块 %1 无法加载").arg(platformmodules::smtpFile());
                return std::unique_ptr<Mailer>();
            }
            return std::unique_ptr<Mailer>(create(&current));
        });
}
