// Clock label and time calibration.
#include "shell/ClockCalibration.h"

#include "net/WebClient.h"
#include "net/WebTime.h"
#include "platform/Platform.h"
#include "text/ClockText.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

const QString messageTitle = QStringLiteral("提示");
// Neither the probe nor the time source may keep the button disabled for longer.
constexpr int requestLimitMs = 10000;
// Any page with a body proves the connection; a home page may be larger than the small texts.
constexpr qint64 probeCap = 1024 * 1024;

} // namespace

ClockCalibration::ClockCalibration(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators)
    , m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer5"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &ClockCalibration::tick);
}

void ClockCalibration::takeButton(QPushButton *button) {
    m_button = button;
    connect(m_button, &QPushButton::clicked, this, &ClockCalibration::calibrate);
}

void ClockCalibration::start() {
    m_timer->start();
}

void ClockCalibration::tick() {
    m_with.clockLabel->setText(clockText(m_with.clock.now()));
}

void ClockCalibration::calibrate() {
    if (m_with.probeAddress.isEmpty() || m_with.timeAddress.isEmpty()) {
        m_with.dialogs.inform(messageTitle, QStringLiteral("尚未设置时间服务,请在设置页的“查询服务”中填写"),
                              MessageIcon::Information);
        return;
    }
    m_button->setEnabled(false);
    m_with.web.get(
        m_with.probeAddress, this,
        [this](const WebReply &probe) {
            if (probe.failure || probe.body.isEmpty()) {
                m_with.dialogs.inform(messageTitle, QStringLiteral("时间校准功能需要联网操作!"),
                                      MessageIcon::Information);
                finish();
                return;
            }
            setClockFromTimeSource();
        },
        WebLimits{requestLimitMs, probeCap});
}

void ClockCalibration::setClockFromTimeSource() {
    m_with.web.head(
        m_with.timeAddress, this,
        [this](const WebReply &reply) {
            // A transfer that failed tells no time, whatever header came with it.
            const std::optional<QDateTime> moment =
                reply.failure ? std::nullopt : readDateHeader(reply.dateHeader);
            if (!moment) {
                m_with.dialogs.inform(messageTitle,
                                      reply.failure
                                          ? QStringLiteral("时间校对失败!无法连接时间服务器,请稍后再试")
                                          : QStringLiteral("时间校对失败!时间服务器没有给出有效的时间"),
                                      MessageIcon::Information);
                finish();
                return;
            }
            // The set may outlast the window (an authorisation prompt left open): its answer is then unheard.
            m_with.clock.setSystemTime(*moment,
                                       [self = QPointer<ClockCalibration>(this)](const Outcome<> &set) {
                                           if (self) {
                                               self->reportClockSet(set);
                                           }
                                       });
        },
        WebLimits{requestLimitMs});
}

void ClockCalibration::reportClockSet(const Outcome<> &set) {
    const QString text =
        set ? QStringLiteral("时间校对成功!") : set.failure().said(QStringLiteral("时间校对"));
    m_with.dialogs.inform(messageTitle, text, MessageIcon::Information);
    finish();
}

void ClockCalibration::finish() {
    m_button->setEnabled(true);
}
