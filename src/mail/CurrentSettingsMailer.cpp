// Choosing, per mail, the sender for the mail settings in force, and keeping replaced senders until idle.
#include "mail/CurrentSettingsMailer.h"

#include <QPointer>

CurrentSettingsMailer::CurrentSettingsMailer(SettingsSource settings, SenderMaker makeSender, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_makeSender(std::move(makeSender)) {}

CurrentSettingsMailer::~CurrentSettingsMailer() = default;

Outcome<CurrentSettingsMailer::Sender *> CurrentSettingsMailer::senderFor(const MailSettings &settings) {
    if (!m_senders.empty() && m_senders.back()->settings == settings) {
        return m_senders.back().get();
    }
    Outcome<std::unique_ptr<Mailer>> mailer = m_makeSender(settings);
    if (!mailer) {
        return mailer.failure();
    }
    m_senders.push_back(std::make_unique<Sender>(Sender{settings, std::move(*mailer), 0}));
    dropIdleFormerSenders();
    return m_senders.back().get();
}

void CurrentSettingsMailer::dropIdleFormerSenders() {
    // Destroying a sender cuts its connections, so only one without a mail under way may go.
    const Sender *newest = m_senders.empty() ? nullptr : m_senders.back().get();
    std::erase_if(m_senders, [newest](const std::unique_ptr<Sender> &sender) {
        return sender.get() != newest && sender->inFlight == 0;
    });
}

void CurrentSettingsMailer::send(const MailMessage &message, std::function<void(const MailResult &)> done) {
    const Outcome<Sender *> made = senderFor(m_settings());
    if (!made) {
        // Later, as from a real sender: the seam never calls back inside send().
        QMetaObject::invokeMethod(
            this, [done = std::move(done), failure = made.failure()] { done(failure); },
            Qt::QueuedConnection);
        return;
    }
    Sender *sender = *made;
    ++sender->inFlight;
    sender->mailer->send(message, [self = QPointer<CurrentSettingsMailer>(this), sender,
                                   done = std::move(done)](const MailResult &result) {
        if (self) {
            --sender->inFlight;
            // Not while this callback runs inside the sender it may drop.
            QMetaObject::invokeMethod(self, &CurrentSettingsMailer::dropIdleFormerSenders,
                                      Qt::QueuedConnection);
        }
        done(result);
    });
}
