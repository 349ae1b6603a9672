// `emailgx`: mails the newest progress entry of a parcel to the address on the settings page.
#pragma once

#include "tracking/ProgressReport.h"
#include "tracking/TrackingText.h"

#include <QObject>

class Clock;
class Feedback;
class Mailer;
class Switches;

class MailAlert final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MailAlert)

public:
    MailAlert(const Feedback &feedback, const Switches &switches, const Clock &clock, Mailer &mailer,
              QObject *parent);

    // The start-up announcement, linked from every mail once it has been read.
    void setAnnouncement(const tracking::Announcement &announcement);
    // Composes the message for the parcel and its parse and submits it without blocking the
    // window; the outcome goes to the hint line when the submission ends.
    void emailgx(const QString &goods, const QString &number, const QString &company,
                 const tracking::ProgressReport &report);
    // Before the program ends: while a mail is still being submitted, says so on the hint line and
    // waits for it, at most 15 s (the timer "mailWait"), so that progress is not left unmailed.
    void waitForMailInFlight();

Q_SIGNALS:
    // The last submission in flight has ended, sent or not.
    void allSent();

private:
    const Feedback &m_feedback;
    const Switches &m_switches;
    const Clock &m_clock;
    Mailer &m_mailer;
    tracking::Announcement m_announcement;
    int m_inFlight = 0;
};
