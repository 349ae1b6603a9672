// Turning on the watch's systemd timer and reporting what the service manager says about it afterwards.
#include "platform/WatchTimerSwitch.h"

#include <QProcess>
#include <QStandardPaths>

#include <utility>

namespace {

const QString timerUnit = QStringLiteral("parcelbook-watch.timer");

QString systemctlPath() {
    return QStandardPaths::findExecutable(QStringLiteral("systemctl"));
}

// systemctl's own words, in English, stay in the log; the window words the outcome itself.
QString saidBy(QProcess &process) {
    return QString::fromLocal8Bit(process.readAllStandardError()).simplified();
}

// Without a user service manager (no session bus, no XDG_RUNTIME_DIR) every systemctl --user says this.
bool noUserManager(const QString &said) {
    return said.contains(QLatin1String("Failed to connect to bus"));
}

} // namespace

WatchTimerSwitch::WatchTimerSwitch(QObject *parent)
    : QObject(parent) {}

bool WatchTimerSwitch::available() {
    return !systemctlPath().isEmpty();
}

void WatchTimerSwitch::enable() {
    if (m_process) {
        return;
    }
    m_enableSaid.clear();
    m_enabledState.clear();
    run(Step::Enable, {QStringLiteral("enable"), QStringLiteral("--now"), timerUnit});
}

void WatchTimerSwitch::run(Step step, const QStringList &arguments) {
    m_step = step;
    m_process = new QProcess(this);
    connect(m_process, &QProcess::finished, this, &WatchTimerSwitch::stepEnded);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            stepEnded();
        }
    });
    m_process->start(systemctlPath(), QStringList{QStringLiteral("--user")} + arguments);
}

void WatchTimerSwitch::stepEnded() {
    QProcess *process = std::exchange(m_process, nullptr);
    process->deleteLater();
    if (process->error() == QProcess::FailedToStart) {
        qWarning("systemctl: %s", qPrintable(process->errorString()));
        Q_EMIT reported(
            QStringLiteral("启用开机后台检查失败：systemctl 无法运行，窗口开着时仍会按上面的间隔在后台检查"),
            false);
        return;
    }
    const QString said = saidBy(*process);
    if (!said.isEmpty()) {
        qWarning("systemctl: %s", qPrintable(said));
    }
    if (noUserManager(said)) {
        Q_EMIT reported(QStringLiteral("本机没有用户服务管理器(systemd --user)，无法开机后在后台检查；"
                                       "窗口开着时仍会按上面的间隔在后台检查"),
                        false);
        return;
    }
    const QString answer = QString::fromLocal8Bit(process->readAllStandardOutput()).trimmed();
    switch (m_step) {
    case Step::Enable:
        // Whatever enable's exit code, the link may have been made: the manager is asked what it now holds.
        m_enableSaid = said;
        run(Step::IsEnabled, {QStringLiteral("is-enabled"), timerUnit});
        return;
    case Step::IsEnabled:
        m_enabledState = answer;
        run(Step::IsActive, {QStringLiteral("is-active"), timerUnit});
        return;
    case Step::IsActive:
        break;
    }
    const bool enabled =
        m_enabledState == QLatin1String("enabled") || m_enabledState == QLatin1String("linked");
    const bool active = answer == QLatin1String("active");
    if (enabled && active) {
        Q_EMIT reported(
            QStringLiteral("已启用开机后台检查：系统每 30 分钟检查一次新进展，关闭窗口后也会检查"), true);
    } else if (enabled) {
        Q_EMIT reported(QStringLiteral("已设为开机后在后台检查，但系统定时现在没有运行(%1)；"
                                       "下次登录后生效，或在终端运行 systemctl --user start %2")
                            .arg(answer.isEmpty() ? QStringLiteral("unknown") : answer, timerUnit),
                        true);
    } else if (m_enabledState.startsWith(QLatin1String("masked"))) {
        Q_EMIT reported(
            QStringLiteral(
                "启用开机后台检查失败：%1 已被屏蔽(masked)，请在终端运行 systemctl --user unmask %1 后再试")
                .arg(timerUnit),
            false);
    } else if (m_enabledState.isEmpty() || m_enableSaid.contains(QLatin1String("does not exist")) ||
               m_enableSaid.contains(QLatin1String("not found"))) {
        Q_EMIT reported(
            QStringLiteral("启用开机后台检查失败：系统服务管理器找不到 %1；装在 ~/.local 时请先在终端运行 "
                           "systemctl --user link ~/.local/lib/systemd/user/parcelbook-watch.{service,timer}")
                .arg(timerUnit),
            false);
    } else {
        Q_EMIT reported(QStringLiteral("启用开机后台检查失败：系统服务管理器说它是 %1；"
                                       "请在终端运行 systemctl --user enable --now %2 查看原因")
                            .arg(m_enabledState, timerUnit),
                        false);
    }
}
