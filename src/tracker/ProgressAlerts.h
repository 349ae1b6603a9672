// Announces new progress of a parcel: a desktop notification naming it, and the alert sound and the update
// mail as the user's switches say.
#pragma once

#include "mail/Mailer.h"
#include "tracker/TrackedParcel.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingText.h"

#include <QObject>

class AlertSwitches;
class Clock;
class Desktop;
class Mailer;
class Sound;

class ProgressAlerts final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressAlerts)

public:
    struct Outlets {
        // Null where nothing can be heard (the command line).
        Sound *sound = nullptr;
        QString chimeFile;
        Desktop &desktop;
        Mailer &mailer;
        const Clock &clock;
        const AlertSwitches &switches;
    };
    ProgressAlerts(Outlets outlets, QObject *parent);

    // The start-up announcement, linked from every mail once it has been read.
    void setAnnouncement(const tracking::Announcement &announcement);
    // The desktop notification always; the sound when the sound switch is on; the mail when the mail
    // switch is on and the address passes the settings page's rule, else a hint says why none goes. The
    // mail is submitted without blocking; its outcome comes as a hint.
    void announce(const TrackedParcel &parcel, const tracking::ProgressReport &report);
    // Before the program ends: while a mail is still being submitted, says so and waits for it, at most
    // 14 s (the timer "mailWait"), so that progress is not left unmailed. The sender's own end takes at
    // most one more second, so the program is gone within 15 s.
    void waitForMailInFlight();
    bool mailInFlight() const { return m_inFlight > 0; }

Q_SIGNALS:
    // How a mail went, for the hint line (or the terminal).
    void hint(const QString &text);
    // A mail is being sent: said until the last one in flight has ended (`allSent`).
    void mailNotice(const QString &text);
    // One mail has ended, sent or why not, with what the user is told of it; one the address rule
    // refuses ends unsent at once.
    void mailEnded(const MailResult &result, const QString &told);
    // The last submission in flight has ended, sent or not.
    void allSent();

private:
    void mailNewProgress(const TrackedParcel &parcel, const tracking::ProgressReport &report);

    Outlets m_outlets;
    tracking::Announcement m_announcement;
    int m_inFlight = 0;
};
