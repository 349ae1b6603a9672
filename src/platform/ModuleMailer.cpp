// Making SMTP senders from the module loaded on the first mail.
#include "platform/ModuleMailer.h"

#include "platform/PlatformModules.h"

std::unique_ptr<CurrentSettingsMailer> moduleMailer(CurrentSettingsMailer::SettingsSource settings,
                                                    const QString &moduleFolder) {
    return std::make_unique<CurrentSettingsMailer>(
        std::move(settings), [moduleFolder](const MailSettings &current) -> Outcome<std::unique_ptr<Mailer>> {
            const Outcome<QFunctionPointer> create = platformmodules::resolve(
                moduleFolder, platformmodules::smtpFile(), "parcelbook_create_mailer");
            if (!create) {
                return Failure{QStringLiteral("邮件发送模块 %1 无法加载").arg(platformmodules::smtpFile()),
                               create.failure().detail};
            }
            return std::unique_ptr<Mailer>(
                reinterpret_cast<decltype(&parcelbook_create_mailer)>(*create)(&current));
        });
}
