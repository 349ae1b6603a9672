// Real implementations of the clock, sound and desktop seams.
#include "platform/RealPlatform.h"

#include "platform/PlatformModules.h"
#include "platform/SystemClockSetter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

QDateTime RealClock::now() const {
    return QDateTime::currentDateTime();
}

void RealClock::setSystemTime(const QDateTime &moment, ClockSetDone done) {
    SystemClockSetter::set(moment, &m_context, std::move(done));
}

RealSound::RealSound(QString moduleFolder)
    : m_moduleFolder(std::move(moduleFolder)) {}

RealSound::~RealSound() = default;

void RealSound::play(const QString &file) {
    if (!m_player) {
        const Outcome<QFunctionPointer> create =
            platformmodules::resolve(m_moduleFolder, platformmodules::soundFile(), "parcelbook_create_sound");
        if (!create) {
            // The alert is a courtesy: without its module the program goes on silently (the log says why).
            return;
        }
        m_player.reset(reinterpret_cast<decltype(&parcelbook_create_sound)>(*create)());
    }
    m_player->play(file);
}

RealDesktop::RealDesktop(UrlOpener openUrl)
    : m_openUrl(std::move(openUrl)) {}

void RealDesktop::openUrl(const QString &url) {
    if (!m_openUrl) {
        qWarning("no desktop to open %s", qPrintable(url));
        return;
    }
    m_openUrl(url);
}

void RealDesktop::quit() {
    QCoreApplication::exit(0);
}

void RealDesktop::notify(const DesktopNotification &notification) {
    m_notifier.notify(notification);
}

void RealDesktop::setActivationHandler(std::function<void(qint64 parcelId)> handler) {
    m_notifier.setActivationHandler(std::move(handler));
}

void RealDesktop::deliverPendingNotifications(int limitMs) {
    QDeadlineTimer deadline(limitMs);
    while (m_notifier.pending() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
}
