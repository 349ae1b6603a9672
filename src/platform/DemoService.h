// The loopback demo service run as a child of the window, for trying the program without an account.
#pragma once

#include "text/Failure.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;
class QTimer;

class DemoService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DemoService)

public:
    // program: the demo service's executable; it is started only when asked.
    DemoService(QString program, QObject *parent);
    // The service ends with its owner; it also ends if the program dies, never left running.
    ~DemoService() override;

    // Starts it on a free loopback port; ready or failed follows. Once ready, ready follows at once.
    void start();
    void stop();
    bool isReady() const { return !m_address.isEmpty(); }
    // Where it listens, e.g. http://127.0.0.1:40123; empty until ready.
    QString address() const { return m_address; }
    // "number company" for each parcel it knows.
    QStringList numbers() const { return m_numbers; }

Q_SIGNALS:
    void ready();
    // It could not start, or it ended by itself.
    void failed(const Failure &failure);

private:
    void readAnnouncement();
    void fail(const Failure &failure);

    const QString m_program;
    QProcess *m_process = nullptr;
    QTimer *m_startLimit;
    QString m_address;
    QStringList m_numbers;
};
