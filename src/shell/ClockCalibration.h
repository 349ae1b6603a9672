// The status row's clock and the calibration of the computer's clock from a web server's date.
#pragma once

#include <QObject>

class QLabel;
class QPushButton;
struct WindowState;

class ClockCalibration final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClockCalibration)

public:
    ClockCalibration(WindowState &state, QLabel *clockLabel, QObject *parent);

    // The clock label's text for a moment: year-month-day without leading zeros, then the time.
    static QString clockText(const QDateTime &moment);

private:
    // Timer5, every second.
    void tick();
    // "时间校对": probe the network, then take date and time from one Date header and set both.
    void calibrate();
    // `ctime`: sets the computer's clock from the time source's Date header, moved to +8 hours.
    void ctime();
    void finish();

    WindowState &m_state;
    QLabel *m_clockLabel;
    QPushButton *m_button;
};
