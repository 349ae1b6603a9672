// The real seams without widgets: the system clock, the sound module, the desktop.
#pragma once

#include "platform/DbusNotifier.h"
#include "platform/Platform.h"

#include <QObject>

#include <functional>
#include <memory>

// Used on the thread that made it, the window's: that is where done runs.
class RealClock final : public Clock {
public:
    QDateTime now() const override;
    void setSystemTime(const QDateTime &moment, ClockSetDone done) override;

private:
    // Owns the steps of sets still under way; their answers go unheard once the clock is gone.
    QObject m_context;
};

// The player lives in a module loaded on the first sound, looked for in moduleFolder; without it the
// program stays silent.
class RealSound final : public Sound {
public:
    explicit RealSound(QString moduleFolder);
    ~RealSound() override;
    void play(const QString &file) override;

private:
    const QString m_moduleFolder;
    std::unique_ptr<Sound> m_player;
};

// Opening an address needs the graphical session (Qt Gui), which the command line never links: the
// window hands in its opener; without one an address is only logged.
class RealDesktop final : public Desktop {
public:
    using UrlOpener = std::function<void(const QString &url)>;
    explicit RealDesktop(UrlOpener openUrl = {});
    void openUrl(const QString &url) override;
    void quit() override;
    void notify(const DesktopNotification &notification) override;
    void setActivationHandler(std::function<void(qint64 parcelId)> handler) override;
    // Before a short-lived program ends: lets the notifications still waiting go out, at most `limitMs`.
    void deliverPendingNotifications(int limitMs);

private:
    const UrlOpener m_openUrl;
    DbusNotifier m_notifier;
};
