// Anomaly watch ticks.
#include "tracking/AnomalyWatch.h"

#include "shell/WindowState.h"

#include <QTimer>

AnomalyWatch::AnomalyWatch(WindowState &state, std::function<void()> csh, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_csh(std::move(csh)) {
    connect(m_state.timer7, &QTimer::timeout, this, &AnomalyWatch::tick);
}

void AnomalyWatch::tick() {
    std::int16_t &ticks = m_state.counters[counter::watchTicks];
    ++ticks;
    if (ticks != 10) {
        return;
    }
    m_state.timer7->stop();
    ticks = 0;
    m_csh();
    m_state.inform(QStringLiteral("程序自动检测快递异常!\n \n可能存在以下问题：\n1.网络异常\n2."
                                  "快递公司异常\n4.当前快递单号已失效\n5.单号或对应快递公司错误\n \n"
                                  "请您稍后重试"));
}
