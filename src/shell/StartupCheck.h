// The start-up check: the window handed over once the book is read, then the published version and the
// announcement asked for in the background.
#pragma once

#include "tracking/TrackingText.h"

#include <QObject>

#include <functional>

class Desktop;
class Feedback;
class ParcelPicker;
class ProgressList;
class ProgressStore;
class QTimer;
class WindowLock;
class WebClient;

class StartupCheck final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupCheck)

public:
    struct Collaborators {
        WebClient &web;
        // The window's, changed when the user saves the services; empty keeps the check quiet.
        const ServiceAddresses &services;
        const Feedback &feedback;
        Desktop &desktop;
        WindowLock &lock;
        ParcelPicker &picker;
        ProgressList &list;
        // Remembers the version the user was told of.
        ProgressStore &progress;
    };
    // openAddPage opens the add page the way its toolbar icon does.
    StartupCheck(Collaborators collaborators, std::function<void()> openAddPage, QObject *parent);

    // The book has been read into the picker: the loaded report (or that no tracking service is set),
    // the add page for an empty book, and the controls enabled, without waiting for the version.
    void bookRead();
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
    // Told once per published version: the message and the site; the program goes on.
    void tellNewerVersion(const QString &version);
    void loadedReport();
    void enableControls();
    void readAnnouncement();

    Collaborators m_with;
    std::function<void()> m_openAddPage;
    QTimer *m_timer;
    tracking::Announcement m_announcement;
    // What the hint line had said when the version was asked for: the answer may come 30 s later.
    quint64 m_hintsBeforeCheck = 0;
};
