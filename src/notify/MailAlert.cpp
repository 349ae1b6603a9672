// The update e-mail.
#include "notify/MailAlert.h"

#include "mail/MailBody.h"
#include "mail/Mailer.h"
#include "platform/Platform.h"
#include "settings/Switches.h"
#include "text/ClockText.h"
#include "widgets/Feedback.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

MailAlert::MailAlert(const Feedback &feedback, const Switches &switches, const Clock &clock, Mailer &mailer,
                     QObject *parent)
    : QObject(parent)
    , m_feedback(feedback)
    , m_switches(switches)
    , m_clock(clock)
    , m_mailer(mailer) {}

void MailAlert::setAnnouncement(const tracking::Announcement &announcement) {
    m_announcement = announcement;
}

void MailAlert::emailgx(const QString &goods, const QString &number, const QString &company,
                        const tracking::ProgressReport &report) {
    m_feedback.hint(QStringLiteral(" 正发送最新动态邮件,请稍等.."));
    MailInputs inputs;
    inputs.goods = goods;
    inputs.number = number;
    inputs.company = company;
    if (!report.entries.isEmpty()) {
        inputs.entryTime = report.entries.first().time;
        inputs.entryText = report.entries.first().context;
    }
    inputs.transitTime = report.transitText;
    inputs.announcementAddress = m_announcement.address;
    inputs.announcementText = m_announcement.text;
    inputs.now = clockText(m_clock.now());
    inputs.sites = MailSites::fromEnvironment();

    const MailSettings settings = MailSettings::fromEnvironment();
    const MailMessage message{settings.from, m_switches.address(), notify::mailSubject(inputs.goods),
                              notify::mailBody(inputs)};
    ++m_inFlight;
    m_mailer.send(message, [self = QPointer<MailAlert>(this)](const MailResult &result) {
        if (!self) {
            return;
        }
        self->m_feedback.hint(result.sent ? QStringLiteral("快递有最新进展，已发送至邮箱!")
                                          : QStringLiteral("最新信息发送失败!错误原因") + result.error);
        if (--self->m_inFlight == 0) {
            Q_EMIT self->allSent();
        }
    });
}

void MailAlert::waitForMailInFlight() {
    if (m_inFlight == 0) {
        return;
    }
    m_feedback.hint(QStringLiteral("正在发送邮件,请稍等.."));
    QEventLoop loop;
    QTimer limit(this);
    limit.setObjectName(QStringLiteral("mailWait"));
    limit.setSingleShot(true);
    connect(this, &MailAlert::allSent, &loop, &QEventLoop::quit);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(15000);
    loop.exec();
}
