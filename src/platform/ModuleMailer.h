// The program's mail seam: loads the SMTP module on the first mail and hands every mail to it.
#pragma once

#include "mail/Mailer.h"

#include <QObject>

#include <memory>

class ModuleMailer final : public QObject, public Mailer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ModuleMailer)

public:
    // The module is looked for in moduleFolder, normally the program's own folder.
    ModuleMailer(MailSettings settings, QString moduleFolder, QObject *parent = nullptr);
    ~ModuleMailer() override;

    // Without the module the mail fails with the loader's words as its error; the next mail tries again.
    void send(const MailMessage &message, std::function<void(const MailResult &)> done) override;

private:
    const MailSettings m_settings;
    const QString m_moduleFolder;
    std::unique_ptr<Mailer> m_mailer;
};
