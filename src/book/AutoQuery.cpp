// Loop and timed queries of the current parcel.
#include "book/AutoQuery.h"

#include "book/ParcelSelection.h"
#include "platform/Platform.h"
#include "query/ParcelBook.h"
#include "query/QuerySession.h"
#include "query/TrackingQuery.h"
#include "text/NumberText.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

AutoQuery::AutoQuery(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators)
    , m_loopTimer(new QTimer(this))
    , m_timedTimer(new QTimer(this)) {
    m_loopTimer->setObjectName(QStringLiteral("Timer6"));
    m_loopTimer->setInterval(60000);
    m_timedTimer->setObjectName(QStringLiteral("Timer4"));
    m_timedTimer->setInterval(1000);
    const QueryPanels &panels = m_with.panels;
    connect(panels.loopStartStop, &QPushButton::clicked, this, &AutoQuery::loopButton);
    connect(panels.timedStartStop, &QPushButton::clicked, this, &AutoQuery::timedButton);
    connect(panels.toTimedPanel, &QPushButton::clicked, this, &AutoQuery::showTimedPanel);
    connect(panels.toLoopPanel, &QPushButton::clicked, this, &AutoQuery::showLoopPanel);
    connect(m_loopTimer, &QTimer::timeout, this, &AutoQuery::loopTick);
    connect(m_timedTimer, &QTimer::timeout, this, &AutoQuery::timedTick);
    connect(&m_with.query, &TrackingQuery::failed, this, &AutoQuery::queryFailed);
}

bool AutoQuery::canStart(const QString &notQueried, const QString &noTime, bool timeMissing) {
    const std::optional<DeliveryStatus> status = m_with.book.shownStatus();
    if (m_with.book.picker().count() == 0 || !status) {
        m_with.feedback.inform(notQueried);
        return false;
    }
    if (timeMissing) {
        m_with.feedback.inform(noTime);
        return false;
    }
    if (*status == DeliveryStatus::SignedFor) {
        m_with.feedback.inform(QStringLiteral("当前快递已签收,您不需要使用此功能"));
        return false;
    }
    return true;
}

void AutoQuery::showModes() {
    m_with.panels.loopStartStop->setText(m_loopRunning ? QStringLiteral("停止循环")
                                                       : QStringLiteral("开始循环"));
    m_with.panels.timedStartStop->setText(m_timedArmed ? QStringLiteral("关闭定时")
                                                       : QStringLiteral("开始定时"));
    m_with.session.holdOnParcel(m_loopRunning || m_timedArmed);
}

void AutoQuery::loopButton() {
    if (m_loopRunning) {
        stopLoop();
        return;
    }
    if (!canStart(QStringLiteral("请先查询单号后在使用本功能!"), QStringLiteral("请先设定时间!"),
                  m_with.panels.interval->currentText().isEmpty())) {
        return;
    }
    startLoop();
}

void AutoQuery::startLoop() {
    m_with.panels.interval->setEnabled(false);
    m_loopRunning = true;
    showModes();
    m_loopTimer->start();
    m_loopMinutes = 0;
}

void AutoQuery::stopLoop() {
    m_loopRunning = false;
    m_loopTimer->stop();
    m_with.panels.interval->setEnabled(true);
    showModes();
    m_loopMinutes = 0;
}

void AutoQuery::timedButton() {
    if (m_timedArmed) {
        stopTimed();
        return;
    }
    const QueryPanels &panels = m_with.panels;
    if (!canStart(QStringLiteral("请先查询单号后在使用定时功能!"), QStringLiteral("请设定查询时间!"),
                  panels.hour->currentText().isEmpty() || panels.minute->currentText().isEmpty())) {
        return;
    }
    startTimed();
}

void AutoQuery::startTimed() {
    m_with.panels.hour->setEnabled(false);
    m_with.panels.minute->setEnabled(false);
    m_timedArmed = true;
    showModes();
    m_timedTimer->start();
}

void AutoQuery::stopTimed() {
    m_timedArmed = false;
    m_timedTimer->stop();
    m_with.panels.hour->setEnabled(true);
    m_with.panels.minute->setEnabled(true);
    showModes();
}

void AutoQuery::showTimedPanel() {
    if (m_loopRunning && !m_with.feedback.ask(QStringLiteral("当前正在循环查询,是否终止?"))) {
        return;
    }
    const QueryPanels &panels = m_with.panels;
    panels.timedPanel->move(panels.loopPanel->pos());
    panels.timedPanel->show();
    panels.loopPanel->hide();
    stopLoop();
}

void AutoQuery::showLoopPanel() {
    if (m_timedArmed && !m_with.feedback.ask(QStringLiteral("当前正在定时查询,是否终止?"))) {
        return;
    }
    const QueryPanels &panels = m_with.panels;
    panels.loopPanel->move(panels.timedPanel->pos());
    panels.loopPanel->show();
    panels.timedPanel->hide();
    stopTimed();
}

void AutoQuery::loopTick() {
    ++m_loopMinutes;
    if (leadingValue(m_with.panels.interval->currentText()) == m_loopMinutes) {
        queryUnlessPaused();
        m_loopMinutes = 0;
    }
}

void AutoQuery::timedTick() {
    const QTime now = m_with.clock.now().time();
    if (now.hour() == leadingValue(m_with.panels.hour->currentText()) &&
        now.minute() == leadingValue(m_with.panels.minute->currentText()) && queryUnlessPaused()) {
        m_timedTimer->stop();
    }
}

bool AutoQuery::queryUnlessPaused() {
    if (pausedToday()) {
        showPause();
        return false;
    }
    m_ownSerial = m_with.selection.select();
    return true;
}

void AutoQuery::queryFailed(quint64 serial, const tracking::TrackingAnswer &answer) {
    const bool automatic = m_loopRunning || m_timedArmed || serial == m_ownSerial;
    if (!automatic || !tracking::quotaUsedUp(answer)) {
        return;
    }
    m_pausedOn = m_with.clock.now().date();
    m_pauseMessage = answer.message;
    showPause();
}

bool AutoQuery::pausedToday() const {
    return m_pausedOn == m_with.clock.now().date();
}

void AutoQuery::showPause() const {
    m_with.feedback.hint(m_pauseMessage + QStringLiteral("(今日不再自动查询)"));
}
