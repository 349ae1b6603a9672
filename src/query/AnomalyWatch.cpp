// Anomaly watch ticks.
#include "query/AnomalyWatch.h"

#include "widgets/Feedback.h"

#include <QTimer>

AnomalyWatch::AnomalyWatch(const Feedback &feedback, std::function<void()> csh, QObject *parent)
    : QObject(parent)
    , m_feedback(feedback)
    , m_csh(std::move(csh))
    , m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer7"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &AnomalyWatch::tick);
}

void AnomalyWatch::start() {
    m_timer->start();
}

void AnomalyWatch::stop() {
    m_timer->stop();
}

void AnomalyWatch::tick() {
    ++m_ticks;
    if (m_ticks != 10) {
        return;
    }
    m_timer->stop();
    m_ticks = 0;
    m_csh();
    m_feedback.inform(QStringLiteral("程序自动检测快递异常!\n \n可能存在以下问题：\n1.网络异常\n2."
                                     "快递公司异常\n4.当前快递单号已失效\n5.单号或对应快递公司错误\n \n"
                                     "请您稍后重试"));
}
