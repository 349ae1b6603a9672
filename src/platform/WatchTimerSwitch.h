// Turning on the user's systemd timer of the background watch, and saying what the service manager
// then reports about it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

class WatchTimerSwitch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WatchTimerSwitch)

public:
    explicit WatchTimerSwitch(QObject *parent = nullptr);

    // Whether systemctl is on PATH at all.
    static bool available();
    bool busy() const { return m_process != nullptr; }

    // Runs `systemctl --user enable --now` on the timer, then asks `is-enabled` and `is-active`; the
    // exit code of enable alone does not say whether the link was made or the timer started.
    void enable();

Q_SIGNALS:
    // Once per enable(): the sentence for the hint line, and whether the timer now runs at boot.
    void reported(const QString &sentence, bool enabled);

private:
    enum class Step { Enable, IsEnabled, IsActive };
    void run(Step step, const QStringList &arguments);
    void stepEnded();

    QProcess *m_process = nullptr;
    Step m_step = Step::Enable;
    QString m_enableSaid;
    QString m_enabledState;
};
