// The start-up check: published version, loaded report, controls on, announcement.
#pragma once

#include <QObject>

#include <functional>

struct WindowState;

class StartupCheck final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupCheck)

public:
    // openAddPage opens the add page the way its toolbar icon does.
    StartupCheck(WindowState &state, std::function<void()> openAddPage, QObject *parent);

private:
    // Tick of Timer3, one second after the window is shown; it runs once.
    void tick();
    void versionArrived(int status, const QString &body);
    void loadedReport();
    void enableControls();
    void readAnnouncement();

    WindowState &m_state;
    std::function<void()> m_openAddPage;
};
