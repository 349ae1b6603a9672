// The status row's clock and the calibration of the computer's clock from a web server's date.
#pragma once

#include "text/Failure.h"

#include <QObject>

class Clock;
class Dialogs;
class QLabel;
class QPushButton;
class QTimer;
class WebClient;

class ClockCalibration final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClockCalibration)

public:
    struct Collaborators {
        WebClient &web;
        // The window's, changed when the user saves the services.
        const QString &probeAddress;
        const QString &timeAddress;
        Clock &clock;
        Dialogs &dialogs;
        QLabel *clockLabel;
    };
    ClockCalibration(Collaborators collaborators, QObject *parent);

    // Timer5 starts counting when the window is first shown.
    void start();
    // "时间校对" on the settings page, which is built when first opened.
    void takeButton(QPushButton *button);

private:
    // Timer5, every second.
    void tick();
    // "时间校对": probe the network, then take date and time from one Date header and set both.
    void calibrate();
    // `ctime`: reads the time source's Date header and sets the computer's clock from it.
    void setClockFromTimeSource();
    // Says how the clock set ended and gives the button back.
    void reportClockSet(const Outcome<> &set);
    void finish();

    Collaborators m_with;
    QTimer *m_timer;
    QPushButton *m_button = nullptr;
};
