// Loading the SMTP module on the first mail.
#include "platform/ModuleMailer.h"

#include "platform/PlatformModules.h"

ModuleMailer::ModuleMailer(MailSettings settings, QString moduleFolder, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_moduleFolder(std::move(moduleFolder)) {}

ModuleMailer::~ModuleMailer() = default;

void ModuleMailer::send(const MailMessage &message, std::function<void(const MailResult &)> done) {
    if (!m_mailer) {
        QString error;
        const auto create = reinterpret_cast<decltype(&parcelbook_create_mailer)>(platformmodules::resolve(
            m_moduleFolder, platformmodules::smtpFile(), "parcelbook_create_mailer", &error));
        if (!create) {
            qWarning("%s", qPrintable(error));
            // Later, as from the real sender: the seam never calls back inside send().
            QMetaObject::invokeMethod(
                this,
                [done = std::move(done)] {
                    done(
                        {false, QStringLiteral("邮件发送模块 %1 无法加载").arg(platformmodules::smtpFile())});
                },
                Qt::QueuedConnection);
            return;
        }
        m_mailer.reset(create(&m_settings));
    }
    m_mailer->send(message, std::move(done));
}
