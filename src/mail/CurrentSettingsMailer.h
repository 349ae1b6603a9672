// A mailer that sends each mail through a sender made for the mail settings as they stand at that mail.
#pragma once

#include "mail/Mailer.h"

#include <QObject>

#include <memory>
#include <vector>

class CurrentSettingsMailer final : public QObject, public Mailer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CurrentSettingsMailer)

public:
    using SettingsSource = std::function<MailSettings()>;
    // Makes a sender for the settings, or says why none can be made.
    using SenderMaker = std::function<Outcome<std::unique_ptr<Mailer>>(const MailSettings &)>;

    CurrentSettingsMailer(SettingsSource settings, SenderMaker makeSender, QObject *parent = nullptr);
    ~CurrentSettingsMailer() override;

    // Settings saved since the last mail take effect with this one; a mail already handed to a sender
    // finishes through it, so a sender whose settings were replaced lives on until its mails have ended.
    // Without a sender the mail fails with the maker's reason, and the next mail tries again.
    void send(const MailMessage &message, std::function<void(const MailResult &)> done) override;

private:
    struct Sender {
        MailSettings settings;
        std::unique_ptr<Mailer> mailer;
        int inFlight = 0;
    };
    Outcome<Sender *> senderFor(const MailSettings &settings);
    void dropIdleFormerSenders();

    const SettingsSource m_settings;
    const SenderMaker m_makeSender;
    // The newest sender is the last; the others still carry mails of earlier settings.
    std::vector<std::unique_ptr<Sender>> m_senders;
};
