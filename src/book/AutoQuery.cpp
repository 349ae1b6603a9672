// Loop and timed queries of the current parcel.
#include "book/AutoQuery.h"

#include "book/NumberText.h"
#include "book/ParcelPicker.h"
#include "book/ParcelSelection.h"
#include "book/StatusPanel.h"
#include "shell/WindowState.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

const QString loopStopped = QStringLiteral("开始循环");
const QString loopRunning = QStringLiteral("停止循环");
const QString timedStopped = QStringLiteral("开始定时");
const QString timedArmed = QStringLiteral("关闭定时");

} // namespace

AutoQuery::AutoQuery(WindowState &state, ParcelSelection &selection, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_selection(selection)
    , m_panels(state.settingsPage->panels()) {
    connect(m_panels.loopStartStop, &QPushButton::clicked, this, &AutoQuery::loopButton);
    connect(m_panels.timedStartStop, &QPushButton::clicked, this, &AutoQuery::timedButton);
    connect(m_panels.toTimedPanel, &QPushButton::clicked, this, &AutoQuery::showTimedPanel);
    connect(m_panels.toLoopPanel, &QPushButton::clicked, this, &AutoQuery::showLoopPanel);
    connect(m_state.timer6, &QTimer::timeout, this, &AutoQuery::loopTick);
    connect(m_state.timer4, &QTimer::timeout, this, &AutoQuery::timedTick);
}

bool AutoQuery::canStart(const QString &notQueried, const QString &noTime, bool timeMissing) {
    if (m_state.picker->count() == 0 ||
        m_state.statusPanel->transitTime()->text() == QStringLiteral("未查询")) {
        m_state.inform(notQueried);
        return false;
    }
    if (timeMissing) {
        m_state.inform(noTime);
        return false;
    }
    const QString status = m_state.statusPanel->parcelStatus()->text();
    if (status.contains(QStringLiteral("签收")) || status.contains(QStringLiteral("感谢"))) {
        m_state.inform(QStringLiteral("当前快递已签收,您不需要使用此功能"));
        return false;
    }
    return true;
}

void AutoQuery::lockOnParcel() {
    m_state.picker->setEnabled(false);
    m_state.setToolbarEnabled(false);
    m_state.toolbar[6]->setEnabled(true);
}

void AutoQuery::loopButton() {
    if (m_panels.loopStartStop->text() == loopRunning) {
        stopLoop();
        return;
    }
    if (!canStart(QStringLiteral("请先查询单号后在使用本功能!"), QStringLiteral("请先设定时间!"),
                  m_panels.interval->currentText().isEmpty())) {
        return;
    }
    lockOnParcel();
    m_panels.interval->setEnabled(false);
    m_panels.loopStartStop->setText(loopRunning);
    m_state.timer6->start();
    m_state.counters[counter::loopMinutes] = 0;
}

void AutoQuery::stopLoop() {
    m_panels.loopStartStop->setText(loopStopped);
    m_state.timer6->stop();
    m_state.picker->setEnabled(true);
    m_panels.interval->setEnabled(true);
    m_state.setToolbarEnabled(true);
    m_state.counters[counter::loopMinutes] = 0;
}

void AutoQuery::timedButton() {
    if (m_panels.timedStartStop->text() == timedArmed) {
        stopTimed();
        return;
    }
    if (!canStart(QStringLiteral("请先查询单号后在使用定时功能!"), QStringLiteral("请设定查询时间!"),
                  m_panels.hour->currentText().isEmpty() || m_panels.minute->currentText().isEmpty())) {
        return;
    }
    m_panels.hour->setEnabled(false);
    m_panels.minute->setEnabled(false);
    lockOnParcel();
    m_panels.timedStartStop->setText(timedArmed);
    m_state.timer4->start();
}

void AutoQuery::stopTimed() {
    m_panels.timedStartStop->setText(timedStopped);
    m_state.timer4->stop();
    m_state.picker->setEnabled(true);
    m_panels.hour->setEnabled(true);
    m_panels.minute->setEnabled(true);
    m_state.setToolbarEnabled(true);
}

void AutoQuery::showTimedPanel() {
    if (m_panels.loopStartStop->text() == loopRunning &&
        !m_state.ask(QStringLiteral("当前正在循环查询,是否终止?"))) {
        return;
    }
    m_panels.timedPanel->move(m_panels.loopPanel->pos());
    m_panels.timedPanel->show();
    m_panels.loopPanel->hide();
    stopLoop();
}

void AutoQuery::showLoopPanel() {
    if (m_panels.timedStartStop->text() == timedArmed &&
        !m_state.ask(QStringLiteral("当前正在定时查询,是否终止?"))) {
        return;
    }
    m_panels.loopPanel->move(m_panels.timedPanel->pos());
    m_panels.loopPanel->show();
    m_panels.timedPanel->hide();
    stopTimed();
}

void AutoQuery::loopTick() {
    std::int16_t &minutes = m_state.counters[counter::loopMinutes];
    ++minutes;
    if (leadingValue(m_panels.interval->currentText()) == minutes) {
        m_selection.select();
        minutes = 0;
    }
}

void AutoQuery::timedTick() {
    const QTime now = m_state.platform.clock->now().time();
    if (now.hour() == leadingValue(m_panels.hour->currentText()) &&
        now.minute() == leadingValue(m_panels.minute->currentText())) {
        m_selection.select();
        m_state.timer4->stop();
    }
}
