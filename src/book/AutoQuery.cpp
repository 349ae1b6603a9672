// The loop and timed panels over the tracker's modes.
#include "book/AutoQuery.h"

#include "text/NumberText.h"
#include "tracker/ParcelTracker.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/WindowLock.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

AutoQuery::AutoQuery(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators) {
    const QueryPanels &panels = m_with.panels;
    connect(panels.loopStartStop, &QPushButton::clicked, this, &AutoQuery::loopButton);
    connect(panels.timedStartStop, &QPushButton::clicked, this, &AutoQuery::timedButton);
    connect(panels.toTimedPanel, &QPushButton::clicked, this, &AutoQuery::showTimedPanel);
    connect(panels.toLoopPanel, &QPushButton::clicked, this, &AutoQuery::showLoopPanel);
    connect(&m_with.tracker, &ParcelTracker::modesChanged, this, &AutoQuery::showModes);
}

Outcome<> AutoQuery::startAllowed(const QString &notQueried, const QString &noTime, bool timeMissing) const {
    const std::optional<DeliveryStatus> status = m_with.tracker.shownStatus();
    if (m_with.picker.count() == 0 || !status) {
        return Failure{notQueried};
    }
    if (timeMissing) {
        return Failure{noTime};
    }
    if (*status == DeliveryStatus::SignedFor) {
        return Failure{QStringLiteral("当前快递已签收,您不需要使用此功能")};
    }
    return {};
}

void AutoQuery::showModes(bool loopRunning, bool timedArmed) {
    const QueryPanels &panels = m_with.panels;
    panels.loopStartStop->setText(loopRunning ? QStringLiteral("停止循环") : QStringLiteral("开始循环"));
    panels.timedStartStop->setText(timedArmed ? QStringLiteral("关闭定时") : QStringLiteral("开始定时"));
    panels.interval->setEnabled(!loopRunning);
    panels.hour->setEnabled(!timedArmed);
    panels.minute->setEnabled(!timedArmed);
    m_with.lock.holdOnParcel(loopRunning || timedArmed);
}

void AutoQuery::loopButton() {
    if (m_with.tracker.loopRunning()) {
        m_with.tracker.stopLoop();
        return;
    }
    const QString interval = m_with.panels.interval->currentText();
    const Outcome<> allowed = startAllowed(QStringLiteral("请先查询单号后在使用本功能!"),
                                           QStringLiteral("请先设定时间!"), interval.isEmpty());
    if (!allowed) {
        m_with.feedback.inform(allowed.failure().reason);
        return;
    }
    m_with.tracker.startLoop(int(leadingValue(interval)));
}

void AutoQuery::timedButton() {
    if (m_with.tracker.timedArmed()) {
        m_with.tracker.stopTimed();
        return;
    }
    const QueryPanels &panels = m_with.panels;
    const QString hour = panels.hour->currentText();
    const QString minute = panels.minute->currentText();
    const Outcome<> allowed =
        startAllowed(QStringLiteral("请先查询单号后在使用定时功能!"), QStringLiteral("请设定查询时间!"),
                     hour.isEmpty() || minute.isEmpty());
    if (!allowed) {
        m_with.feedback.inform(allowed.failure().reason);
        return;
    }
    m_with.tracker.startTimed(int(leadingValue(hour)), int(leadingValue(minute)));
}

void AutoQuery::showTimedPanel() {
    if (m_with.tracker.loopRunning() && !m_with.feedback.ask(QStringLiteral("当前正在循环查询,是否终止?"))) {
        return;
    }
    const QueryPanels &panels = m_with.panels;
    panels.timedPanel->move(panels.loopPanel->pos());
    panels.timedPanel->show();
    panels.loopPanel->hide();
    m_with.tracker.stopLoop();
}

void AutoQuery::showLoopPanel() {
    if (m_with.tracker.timedArmed() && !m_with.feedback.ask(QStringLiteral("当前正在定时查询,是否终止?"))) {
        return;
    }
    const QueryPanels &panels = m_with.panels;
    panels.loopPanel->move(panels.timedPanel->pos());
    panels.loopPanel->show();
    panels.timedPanel->hide();
    m_with.tracker.stopTimed();
}
