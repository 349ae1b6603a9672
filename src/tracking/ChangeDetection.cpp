// Change detection after a parse.
#include "tracking/ChangeDetection.h"

#include "book/StatusPanel.h"
#include "notify/MailAlert.h"
#include "shell/WindowState.h"
#include "store/ParcelStore.h"
#include "store/SettingsPage.h"
#include "store/StoreError.h"

#include <QLabel>

ChangeDetection::ChangeDetection(WindowState &state, MailAlert &mail, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_mail(mail) {}

void ChangeDetection::gxtj() {
    const int rows = m_state.query.rowCount;
    if (m_state.current.storedCount.isEmpty()) {
        m_state.current.storedCount = QString::number(rows);
    }
    QLabel *updateStatus = m_state.statusPanel->updateStatus();
    const bool signedFor = m_state.statusPanel->parcelStatus()->text() == QStringLiteral("已签收");
    if (signedFor) {
        updateStatus->setStyleSheet(QStringLiteral("color: #ffffff; font-weight: bold;"));
        updateStatus->setText(QStringLiteral("已签收"));
        return;
    }
    if (!tracking::hasNewProgress(m_state.current.storedCount, rows)) {
        updateStatus->setText(QStringLiteral("无更新"));
        updateStatus->setStyleSheet(QStringLiteral("color: #ffffff; font-weight: bold;"));
        return;
    }
    updateStatus->setText(QStringLiteral("有更新"));
    updateStatus->setStyleSheet(QStringLiteral("color: #ff0000; font-weight: bold;"));
    try {
        m_state.parcels->setCount(m_state.current.id, rows);
    } catch (const StoreError &error) {
        m_state.setHint(QStringLiteral("更新记录保存失败!错误原因") + error.description());
    }
    if (m_state.settingsPage->soundOn()) {
        m_state.platform.sound->play(m_state.programDir + QStringLiteral("/ts.mp3"));
    }
    if (m_state.settingsPage->mailOn() && !m_state.settingsPage->address().isEmpty()) {
        m_mail.emailgx();
    }
}
