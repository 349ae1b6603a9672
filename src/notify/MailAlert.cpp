// The update e-mail.
#include "notify/MailAlert.h"

#include "book/ParcelPicker.h"
#include "book/StatusPanel.h"
#include "notify/MailBody.h"
#include "platform/Mailer.h"
#include "shell/ClockCalibration.h"
#include "shell/WindowState.h"
#include "store/SettingsPage.h"

#include <QLabel>
#include <QPointer>
#include <QTreeWidget>

MailAlert::MailAlert(WindowState &state, QObject *parent)
    : QObject(parent)
    , m_state(state) {}

void MailAlert::emailgx() {
    m_state.setHint(QStringLiteral(" 正发送最新动态邮件,请稍等.."));
    MailInputs inputs;
    inputs.goods = m_state.picker->currentText();
    inputs.number = m_state.current.number;
    inputs.company = m_state.current.company;
    if (const QTreeWidgetItem *newest = m_state.progressList->topLevelItem(0)) {
        inputs.entryTime = newest->text(1);
        inputs.entryText = newest->text(2);
    }
    inputs.transitTime = m_state.statusPanel->transitTime()->text();
    inputs.announcementAddress = m_state.announcement.address;
    inputs.announcementText = m_state.announcement.text;
    inputs.now = ClockCalibration::clockText(m_state.platform.clock->now());
    inputs.sites = MailSites::fromEnvironment();

    const MailSettings settings = MailSettings::fromEnvironment();
    const MailMessage message{settings.from, m_state.settingsPage->address(),
                              notify::mailSubject(inputs.goods), notify::mailBody(inputs)};
    m_state.platform.mailer->send(message, [self = QPointer<MailAlert>(this)](const MailResult &result) {
        if (!self) {
            return;
        }
        self->m_state.setHint(result.sent ? QStringLiteral("快递有最新进展，已发送至邮箱!")
                                          : QStringLiteral("最新信息发送失败!错误原因") + result.error);
    });
}
