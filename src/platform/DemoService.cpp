// Starting the demo service, reading where it listens and its numbers, and ending it with the window.
#include "platform/DemoService.h"

#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <utility>

namespace {

const QByteArray listeningPrefix = "listening on ";
const QByteArray numbersPrefix = "demo numbers: ";
constexpr int startLimitMs = 10000;

} // namespace

DemoService::DemoService(QString program, QObject *parent)
    : QObject(parent)
    , m_program(std::move(program))
    , m_startLimit(new QTimer(this)) {
    m_startLimit->setSingleShot(true);
    connect(m_startLimit, &QTimer::timeout, this,
            [this] { fail(Failure{QStringLiteral("演示服务 %1 秒内没有启动").arg(startLimitMs / 1000)}); });
}

DemoService::~DemoService() {
    stop();
}

void DemoService::start() {
    if (isReady()) {
        Q_EMIT ready();
        return;
    }
    if (m_process != nullptr) {
        return;
    }
    if (!QFileInfo(m_program).isExecutable()) {
        Q_EMIT failed(Failure{QStringLiteral("找不到演示服务程序 %1").arg(m_program)});
        return;
    }
    m_process = new QProcess(this);
    // Whatever ends the program, a crash included, ends the service with it.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->setReadChannel(QProcess::StandardOutput);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &DemoService::readAnnouncement);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            fail(Failure{QStringLiteral("演示服务无法运行:") + m_process->errorString(),
                         m_process->errorString()});
        }
    });
    connect(m_process, &QProcess::finished, this, [this] {
        const QString said = QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
        fail(Failure{said.isEmpty() ? QStringLiteral("演示服务已意外结束")
                                    : QStringLiteral("演示服务已结束:") + said,
                     said});
    });
    m_startLimit->start(startLimitMs);
    m_process->start(m_program, {QStringLiteral("--port"), QStringLiteral("0")});
}

void DemoService::stop() {
    if (m_process == nullptr) {
        return;
    }
    QProcess *process = std::exchange(m_process, nullptr);
    process->disconnect(this);
    process->kill();
    process->waitForFinished(3000);
    process->deleteLater();
    m_address.clear();
    m_numbers.clear();
    m_startLimit->stop();
}

void DemoService::readAnnouncement() {
    while (m_process != nullptr && m_process->canReadLine()) {
        const QByteArray line = m_process->readLine().trimmed();
        if (line.startsWith(listeningPrefix)) {
            m_address = QString::fromUtf8(line.mid(listeningPrefix.size()));
        } else if (line.startsWith(numbersPrefix) && !m_address.isEmpty()) {
            m_numbers = QString::fromUtf8(line.mid(numbersPrefix.size())).split(QStringLiteral(", "));
            m_startLimit->stop();
            Q_EMIT ready();
        }
    }
}

void DemoService::fail(const Failure &failure) {
    stop();
    Q_EMIT failed(failure);
}
