// Clock label and time calibration.
#include "shell/ClockCalibration.h"

#include "shell/WebTime.h"
#include "shell/WindowState.h"
#include "store/SettingsPage.h"
#include "tracking/WebClient.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

const QString messageTitle = QStringLiteral("提示");
// Neither the probe nor the time source may keep the button disabled for longer.
constexpr int requestLimitMs = 10000;

} // namespace

ClockCalibration::ClockCalibration(WindowState &state, QLabel *clockLabel, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_clockLabel(clockLabel)
    , m_button(state.settingsPage->panels().calibrate) {
    connect(m_state.timer5, &QTimer::timeout, this, &ClockCalibration::tick);
    connect(m_button, &QPushButton::clicked, this, &ClockCalibration::calibrate);
}

QString ClockCalibration::clockText(const QDateTime &moment) {
    return moment.toString(QStringLiteral("yyyy-M-d H:mm:ss"));
}

void ClockCalibration::tick() {
    m_clockLabel->setText(clockText(m_state.platform.clock->now()));
}

void ClockCalibration::calibrate() {
    m_button->setEnabled(false);
    m_state.web->get(
        m_state.services.probe, this,
        [this](const WebReply &probe) {
            if (probe.body.isEmpty()) {
                m_state.platform.dialogs->inform(messageTitle, QStringLiteral("时间校准功能需要联网操作!"),
                                                 MessageIcon::Information);
                finish();
                return;
            }
            ctime();
        },
        requestLimitMs);
}

void ClockCalibration::ctime() {
    m_state.web->head(
        m_state.services.time, this,
        [this](const WebReply &reply) {
            Dialogs &dialogs = *m_state.platform.dialogs;
            const std::optional<QDateTime> moment = readDateHeader(reply.dateHeader);
            if (!moment) {
                dialogs.inform(messageTitle,
                               reply.status == 0
                                   ? QStringLiteral("时间校对失败!无法连接时间服务器,请稍后再试")
                                   : QStringLiteral("时间校对失败!时间服务器没有给出有效的时间"),
                               MessageIcon::Information);
                finish();
                return;
            }
            QString error;
            if (m_state.platform.clock->setSystemTime(*moment, &error)) {
                dialogs.inform(messageTitle, QStringLiteral("时间校对成功!"), MessageIcon::Information);
            } else {
                dialogs.inform(messageTitle, QStringLiteral("时间校对失败!错误原因") + error,
                               MessageIcon::Information);
            }
            finish();
        },
        requestLimitMs);
}

void ClockCalibration::finish() {
    m_button->setEnabled(true);
}
