// Start-up check and announcement.
#include "shell/StartupCheck.h"

#include "net/WebClient.h"
#include "platform/Platform.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/ProgressList.h"
#include "widgets/WindowLock.h"

#include <QTimer>

namespace {

const QString currentVersion = QStringLiteral("V5.0");
const QString messageTitle = QStringLiteral("岚舟系列软件");
// The window stays locked until the version file has come, so it may not take for ever.
constexpr int requestLimitMs = 30000;

} // namespace

StartupCheck::StartupCheck(Collaborators collaborators, std::function<void()> openAddPage, QObject *parent)
    : QObject(parent)
    , m_with(std::move(collaborators))
    , m_openAddPage(std::move(openAddPage))
    , m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer3"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &StartupCheck::tick);
}

void StartupCheck::start() {
    m_timer->start();
}

void StartupCheck::tick() {
    // Stopped before the request: the window stays live while it waits, and the check runs once.
    m_timer->stop();
    m_with.web.get(
        m_with.site + QStringLiteral("/version/gx.txt"), this,
        [this](const WebReply &reply) { versionArrived(reply.ok() ? reply.body : QString()); },
        WebLimits{requestLimitMs});
}

void StartupCheck::versionArrived(const QString &body) {
    // An error page, a captive portal, a cut-off or empty answer is no published version.
    const bool published = tracking::isPublishedVersion(body);
    if (!published) {
        m_with.feedback.dialogs().inform(
            messageTitle, QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"), MessageIcon::Exclamation);
        enableControls();
        loadedReport();
        return;
    }
    const QString version = body.trimmed();
    if (version == currentVersion) {
        enableControls();
        loadedReport();
        readAnnouncement();
        return;
    }
    m_with.feedback.hint(QStringLiteral("程序已加载完毕..."));
    m_with.feedback.inform(QStringLiteral("发现最新版本![") + version +
                           QStringLiteral("]\n \n确定后自动打开官方网站!"));
    m_with.desktop.openUrl(m_with.site);
    m_with.desktop.quit();
}

void StartupCheck::loadedReport() {
    const int parcels = m_with.picker.count();
    if (parcels != 0) {
        m_with.feedback.hint(QStringLiteral("程序已加载完毕,当前共有") + QString::number(parcels) +
                             QStringLiteral("个快递单。"));
        return;
    }
    m_with.feedback.hint(QStringLiteral("程序已加载完毕,当前没有快递单。"));
    m_openAddPage();
}

void StartupCheck::enableControls() {
    m_with.lock.release();
    // The report that follows may open the add page, which then takes the focus for its number box.
    m_with.list.setFocus();
}

void StartupCheck::readAnnouncement() {
    m_with.web.get(
        m_with.site + QStringLiteral("/data/tg.txt"), this,
        [this](const WebReply &reply) {
            m_announcement = tracking::readAnnouncement(reply.ok() ? reply.body : QString(), m_announcement);
            Q_EMIT announcementRead(m_announcement);
        },
        WebLimits{requestLimitMs});
}
