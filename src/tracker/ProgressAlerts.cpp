// Sound, desktop notification and update mail for new progress.
#include "tracker/ProgressAlerts.h"

#include "mail/MailBody.h"
#include "mail/Mailer.h"
#include "platform/Platform.h"
#include "store/SettingsStore.h"
#include "text/ClockText.h"
#include "tracker/AlertSwitches.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace {

// Which parcel moved (and, when it waits at a pickup point, its code), then the time and text of its
// newest entry.
DesktopNotification progressNotification(const TrackedParcel &parcel,
                                         const tracking::ProgressReport &report) {
    const QString news = report.pickupCode ? QStringLiteral("】已到取件点,取件码 ") + *report.pickupCode
                                           : QStringLiteral("】有新进展");
    DesktopNotification notification{QStringLiteral("快递【") + parcel.goods + news, QString(),
                                     parcel.id.value()};
    if (!report.entries.isEmpty()) {
        notification.body = report.entries.first().time + QLatin1Char(' ') + report.entries.first().context;
    }
    return notification;
}

} // namespace

ProgressAlerts::ProgressAlerts(Outlets outlets, QObject *parent)
    : QObject(parent)
    , m_outlets(std::move(outlets)) {}

void ProgressAlerts::setAnnouncement(const tracking::Announcement &announcement) {
    m_announcement = announcement;
}

void ProgressAlerts::announce(const TrackedParcel &parcel, const tracking::ProgressReport &report) {
    const AlertSwitches &switches = m_outlets.switches;
    // The desktop's own notification settings silence the notification; the switch silences the sound.
    if (switches.soundOn() && m_outlets.sound) {
        m_outlets.sound->play(m_outlets.chimeFile);
    }
    m_outlets.desktop.notify(progressNotification(parcel, report));
    if (!switches.mailOn()) {
        return;
    }
    if (const Outcome<> accepted = mailAddressAccepted(switches.address()); !accepted) {
        const QString told = accepted.failure().reason + QStringLiteral(",邮件未发送(请在设置页改正)");
        Q_EMIT hint(told);
        Q_EMIT mailEnded(accepted, told);
        return;
    }
    mailNewProgress(parcel, report);
}

void ProgressAlerts::mailNewProgress(const TrackedParcel &parcel, const tracking::ProgressReport &report) {
    Q_EMIT mailNotice(QStringLiteral(" 正发送最新动态邮件,请稍等.."));
    MailInputs inputs;
    inputs.goods = parcel.goods;
    inputs.number = parcel.number;
    inputs.company = parcel.company;
    if (!report.entries.isEmpty()) {
        inputs.entryTime = report.entries.first().time;
        inputs.entryText = report.entries.first().context;
    }
    inputs.transitTime = report.transitText;
    inputs.pickupCode = report.pickupCode.value_or(QString());
    inputs.announcementAddress = m_announcement.address;
    inputs.announcementText = m_announcement.text;
    inputs.now = clockText(m_outlets.clock.now());
    inputs.sites = MailSites::configured();

    const MailSettings settings = MailSettings::configured();
    const MailMessage message{settings.from, m_outlets.switches.address(), notify::mailSubject(inputs.goods),
                              notify::mailBody(inputs), notify::mailText(inputs)};
    ++m_inFlight;
    m_outlets.mailer.send(message, [self = QPointer<ProgressAlerts>(this)](const MailResult &result) {
        if (!self) {
            return;
        }
        const QString told = result ? QStringLiteral("快递有最新进展，已发送至邮箱!")
                                    : result.failure().said(QStringLiteral("最新信息发送"));
        Q_EMIT self->hint(told);
        Q_EMIT self->mailEnded(result, told);
        if (--self->m_inFlight == 0) {
            Q_EMIT self->allSent();
        }
    });
}

void ProgressAlerts::waitForMailInFlight() {
    if (m_inFlight == 0) {
        return;
    }
    Q_EMIT mailNotice(QStringLiteral("正在发送邮件,请稍等.."));
    QEventLoop loop;
    QTimer limit(this);
    limit.setObjectName(QStringLiteral("mailWait"));
    limit.setSingleShot(true);
    connect(this, &ProgressAlerts::allSent, &loop, &QEventLoop::quit);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(14000);
    loop.exec();
}
