// The start-up check: published version, loaded report, controls on, announcement.
#pragma once

#include "tracking/TrackingText.h"

#include <QObject>

#include <functional>

class Desktop;
class Feedback;
class ParcelPicker;
class ProgressList;
class QTimer;
class WindowLock;
class WebClient;

class StartupCheck final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupCheck)

public:
    struct Collaborators {
        WebClient &web;
        QString site;
        const Feedback &feedback;
        Desktop &desktop;
        WindowLock &lock;
        ParcelPicker &picker;
        ProgressList &list;
    };
    // openAddPage opens the add page the way its toolbar icon does.
    StartupCheck(Collaborators collaborators, std::function<void()> openAddPage, QObject *parent);

    // Timer3 starts counting when the window is first shown.
    void start();

Q_SIGNALS:
    // The announcement has been read (an empty body keeps the previous link).
    void announcementRead(const tracking::Announcement &announcement);

private:
    // Tick of Timer3, one second after the window is shown; it runs once.
    void tick();
    // The body of a complete answer with a success status; empty otherwise.
    void versionArrived(const QString &body);
    void loadedReport();
    void enableControls();
    void readAnnouncement();

    Collaborators m_with;
    std::function<void()> m_openAddPage;
    QTimer *m_timer;
    tracking::Announcement m_announcement;
};
