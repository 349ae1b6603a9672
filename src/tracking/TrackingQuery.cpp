// Tracking query, result codes and the keep-or-delete dialog.
#include "tracking/TrackingQuery.h"

#include "book/ParcelPicker.h"
#include "shell/WindowState.h"
#include "store/ParcelStore.h"
#include "store/SettingsPage.h"
#include "store/StoreError.h"
#include "tracking/ProgressParse.h"
#include "tracking/WebClient.h"

#include <QTimer>
#include <QTreeWidget>

TrackingQuery::TrackingQuery(WindowState &state, ProgressParse &parse, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_parse(parse) {}

void TrackingQuery::cx() {
    m_state.setHint(QStringLiteral("未查询"));
    m_state.progressList->clear();
    kdgs(m_state.current.number, [this] { handleAnswer(); });
}

void TrackingQuery::kdgs(const QString &number, std::function<void()> answered) {
    m_state.showBusy(true);
    m_state.timer7->start();
    m_state.setHint(m_state.current.company + QStringLiteral(":") + m_state.current.goods +
                    QStringLiteral("查询中..."));
    const QString url = tracking::queryUrl(m_state.services.tracking, m_state.current.companyCode, number);
    m_state.web->get(url, this, [this, answered = std::move(answered)](const WebReply &reply) {
        m_state.query.answerText = reply.body;
        answered();
    });
}

void TrackingQuery::handleAnswer() {
    // No answer: the busy indicator stays and the anomaly watch returns the window to idle.
    if (m_state.query.answerText.isEmpty()) {
        return;
    }
    const std::optional<QString> code = tracking::resultCode(m_state.query.answerText);
    if (!code) {
        m_state.query.answerText.clear();
        m_state.setHint(QStringLiteral("查询服务返回了无法识别的数据,请稍后再试.."));
        m_state.unlock();
        finish();
        return;
    }
    m_state.query.resultCode = *code;
    if (tracking::isSuccess(*code)) {
        if (m_parse.hx2() == 0) {
            // A success without entries arms no parse, so the window is given back here.
            m_state.query.answerText.clear();
            m_state.setHint(QStringLiteral("查询完毕,暂无物流信息..."));
            m_state.progressList->setEnabled(true);
            m_state.unlockAfterQuery();
        }
        finish();
        return;
    }
    if (*code == QStringLiteral("1")) {
        keepOrDelete();
        return;
    }
    const QString message = tracking::resultMessage(*code);
    if (!message.isEmpty()) {
        m_state.setHint(message);
    }
    m_state.unlock();
    finish();
}

void TrackingQuery::keepOrDelete() {
    m_state.timer7->stop();
    bool deleted = false;
    if (!m_state.ask(QStringLiteral("您好,您当前查询的快递单号已不存在,是否保留?\n\n"
                                    "如果此快递单号是您刚添加不久,建议几小时后再来查询")) &&
        m_state.ask(QStringLiteral("二次防误操作：确认要删除此快递单号?"))) {
        deleted = m_state.deleteCurrentParcel();
        m_state.reloadPicker();
    }
    // The window is given back before the next parcel is picked, so that query keeps it locked.
    m_state.unlock();
    finish();
    if (deleted && m_state.settingsPage->defaultQueryOn() && m_state.picker->count() > 0) {
        m_state.picker->pick(0);
    }
}

void TrackingQuery::finish() {
    m_state.showBusy(false);
    m_state.timer7->stop();
}
