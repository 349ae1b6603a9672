// Start-up check and announcement.
#include "shell/StartupCheck.h"

#include "book/ParcelPicker.h"
#include "shell/WindowState.h"
#include "tracking/WebClient.h"

#include <QTimer>
#include <QTreeWidget>

namespace {

const QString currentVersion = QStringLiteral("V5.0");
const QString messageTitle = QStringLiteral("岚舟系列软件");

} // namespace

StartupCheck::StartupCheck(WindowState &state, std::function<void()> openAddPage, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_openAddPage(std::move(openAddPage)) {
    connect(m_state.timer3, &QTimer::timeout, this, &StartupCheck::tick);
}

void StartupCheck::tick() {
    // Stopped before the request: the window stays live while it waits, and the check runs once.
    m_state.timer3->stop();
    m_state.web->get(m_state.services.site + QStringLiteral("/version/gx.txt"), this,
                     [this](const WebReply &reply) { versionArrived(reply.status, reply.body); });
}

void StartupCheck::versionArrived(int status, const QString &body) {
    // An error page, a captive portal or an empty answer is no published version.
    const bool published = status >= 200 && status < 300 && tracking::isPublishedVersion(body);
    if (!published) {
        m_state.platform.dialogs->inform(
            messageTitle, QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"), MessageIcon::Exclamation);
        loadedReport();
        enableControls();
        return;
    }
    const QString version = body.trimmed();
    if (version == currentVersion) {
        loadedReport();
        enableControls();
        readAnnouncement();
        return;
    }
    m_state.setHint(QStringLiteral("程序已加载完毕..."));
    m_state.inform(QStringLiteral("发现最新版本![") + version +
                   QStringLiteral("]\n \n确定后自动打开官方网站!"));
    m_state.platform.desktop->openUrl(m_state.services.site);
    m_state.platform.desktop->quit();
}

void StartupCheck::loadedReport() {
    const int parcels = m_state.picker->count();
    if (parcels != 0) {
        m_state.setHint(QStringLiteral("程序已加载完毕,当前共有") + QString::number(parcels) +
                        QStringLiteral("个快递单。"));
        return;
    }
    m_state.setHint(QStringLiteral("程序已加载完毕,当前没有快递单。"));
    m_openAddPage();
}

void StartupCheck::enableControls() {
    m_state.unlock();
    m_state.progressList->setFocus();
}

void StartupCheck::readAnnouncement() {
    m_state.web->get(
        m_state.services.site + QStringLiteral("/data/tg.txt"), this, [this](const WebReply &reply) {
            m_state.announcement =
                tracking::readAnnouncement(reply.ok() ? reply.body : QString(), m_state.announcement);
        });
}
