// Start-up check and announcement.
#include "shell/StartupCheck.h"

#include "Version.h"
#include "net/WebClient.h"
#include "platform/Platform.h"
#include "store/ProgressStore.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/ProgressList.h"
#include "widgets/WindowLock.h"

#include <QTimer>

namespace {

const QString currentVersion = QStringLiteral(PARCELBOOK_RELEASE);
// The check runs in the background, but a request that never ends holds a connection for nothing.
constexpr int requestLimitMs = 30000;

} // namespace

StartupCheck::StartupCheck(Collaborators collaborators, std::function<void()> openAddPage, QObject *parent)
    : QObject(parent)
    , m_with(collaborators)
    , m_openAddPage(std::move(openAddPage))
    , m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer3"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &StartupCheck::tick);
}

void StartupCheck::bookRead() {
    // Enabled first: the report that follows may open the add page, whose number box takes the focus.
    enableControls();
    loadedReport();
    if (!m_with.services.problems.isEmpty()) {
        m_with.feedback.hint(m_with.services.problems.join(QLatin1Char(' ')));
    } else if (!m_with.services.tracking.isSet()) {
        m_with.feedback.hint(servicesfile::trackingMissingText());
    }
}

void StartupCheck::start() {
    m_timer->start();
}

void StartupCheck::tick() {
    // Stopped before the request, so the check runs once; without a site it stays quiet.
    m_timer->stop();
    if (m_with.services.site.isEmpty()) {
        return;
    }
    m_hintsBeforeCheck = m_with.feedback.hintsSaid();
    m_with.web.get(
        m_with.services.site + QStringLiteral("/version/gx.txt"), this,
        [this](const WebReply &reply) { versionArrived(reply.ok() ? reply.body : QString()); },
        WebLimits{requestLimitMs});
}

void StartupCheck::versionArrived(const QString &body) {
    // The mails of this run link the announcement whatever the version file said, or failed to say.
    readAnnouncement();
    // An error page, a captive portal, a cut-off or empty answer is no published version.
    // The window is in use by now: the outcome goes to the hint line, never into a message box.
    if (!tracking::isPublishedVersion(body)) {
        m_with.feedback.hintUnlessNewer(QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"),
                                        m_hintsBeforeCheck);
        return;
    }
    const QString version = body.trimmed();
    if (version != currentVersion) {
        tellNewerVersion(version);
    }
}

void StartupCheck::tellNewerVersion(const QString &version) {
    // A book that cannot say which version was shown gets the message: better twice than never.
    const Outcome<std::optional<QString>> read = m_with.progress.versionShown();
    const std::optional<QString> shown = read.ok() ? *read : std::nullopt;
    m_with.feedback.hintUnlessNewer(QStringLiteral("发现最新版本![") + version + QStringLiteral("]"),
                                    m_hintsBeforeCheck);
    if (shown == version) {
        return;
    }
    if (const Outcome<> kept = m_with.progress.setVersionShown(version); !kept) {
        m_with.feedback.hint(kept.failure().said(QStringLiteral("版本记录")));
    }
    // An installed program is updated by its package manager, so the program goes on after the site.
    m_with.feedback.inform(QStringLiteral("发现最新版本![") + version +
                           QStringLiteral("]\n \n确定后自动打开官方网站!"));
    m_with.desktop.openUrl(m_with.services.site);
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
    m_with.list.setFocus();
}

void StartupCheck::readAnnouncement() {
    m_with.web.get(
        m_with.services.site + QStringLiteral("/data/tg.txt"), this,
        [this](const WebReply &reply) {
            m_announcement = tracking::readAnnouncement(reply.ok() ? reply.body : QString(), m_announcement);
            Q_EMIT announcementRead(m_announcement);
        },
        WebLimits{requestLimitMs});
}
