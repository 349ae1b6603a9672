// Tracking query, result codes and the keep-or-delete dialog.
#include "query/TrackingQuery.h"

#include "query/AnomalyWatch.h"
#include "query/ParcelBook.h"
#include "query/ProgressParse.h"
#include "query/QuerySession.h"
#include "settings/Switches.h"
#include "tracking/TrackingRequest.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/ProgressList.h"

using tracking::AnswerKind;
using tracking::TrackingAnswer;

TrackingQuery::TrackingQuery(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(std::move(collaborators)) {}

quint64 TrackingQuery::cx() {
    m_with.feedback.hint(QStringLiteral("未查询"));
    m_with.list.clearEntries();
    kdgs(m_with.book.current(), [this](const CurrentParcel &parcel, const TrackingAnswer &answer) {
        // A late answer for a parcel that is no longer current touches nothing.
        if (parcel.id == m_with.book.current().id) {
            handleAnswer(parcel, answer);
        }
    });
    return m_serial;
}

void TrackingQuery::kdgs(const CurrentParcel &parcel, Answered answered) {
    m_with.session.showBusy(true);
    m_with.watch.start();
    m_with.feedback.hint(parcel.company + QStringLiteral(":") + parcel.goods + QStringLiteral("查询中..."));
    // The new request replaces the one still waiting and a parse armed by an older answer.
    m_with.parse.ql();
    delete m_pending;
    m_pending = new TrackingRequest(m_with.web, m_with.serviceAddress, parcel.companyCode, parcel.number,
                                    parcel.id, ++m_serial, this);
    m_pendingParcel = parcel;
    m_answered = std::move(answered);
    TrackingRequest *request = m_pending;
    connect(request, &TrackingRequest::answered, this,
            [this, request](const TrackingAnswer &answer) { arrived(request, answer); });
}

void TrackingQuery::arrived(TrackingRequest *request, const TrackingAnswer &answer) {
    // Only the newest request is heard; an older one was aborted when it was replaced.
    if (request != m_pending || request->serial() != m_serial) {
        return;
    }
    // The answer's handler may send the next request, so this one goes only after it has run.
    m_pending = nullptr;
    request->deleteLater();
    const Answered answered = std::move(m_answered);
    const CurrentParcel parcel = m_pendingParcel;
    answered(parcel, answer);
}

void TrackingQuery::handleAnswer(const CurrentParcel &parcel, const TrackingAnswer &answer) {
    switch (answer.kind) {
    case AnswerKind::NoAnswer:
        // The busy indicator stays and the anomaly watch returns the window to idle.
        return;
    case AnswerKind::Success:
        if (answer.entries.isEmpty()) {
            // A success without entries arms no parse, so the window is given back here.
            m_with.feedback.hint(QStringLiteral("查询完毕,暂无物流信息..."));
            m_with.list.setEnabled(true);
            m_with.session.unlockAfterQuery();
        } else {
            m_with.parse.hx2(parcel, answer.entries);
        }
        finish();
        return;
    case AnswerKind::NotKnown:
        keepOrDelete();
        return;
    case AnswerKind::Unreadable:
    case AnswerKind::Failure:
        if (!answer.message.isEmpty()) {
            m_with.feedback.hint(answer.message);
        }
        m_with.session.unlock();
        finish();
        // Only the newest request is heard, so the serial is still the answered one's.
        if (answer.kind == AnswerKind::Failure) {
            Q_EMIT failed(m_serial, answer);
        }
        return;
    }
}

void TrackingQuery::keepOrDelete() {
    m_with.watch.stop();
    bool deleted = false;
    if (!m_with.feedback.ask(QStringLiteral("您好,您当前查询的快递单号已不存在,是否保留?\n\n"
                                            "如果此快递单号是您刚添加不久,建议几小时后再来查询")) &&
        m_with.feedback.askBeforeDestroying(QStringLiteral("二次防误操作：确认要删除此快递单号?"))) {
        deleted = m_with.book.deleteCurrent();
        m_with.book.reloadPicker();
    }
    // The window is given back before the next parcel is picked, so that query keeps it locked.
    m_with.session.unlock();
    finish();
    ParcelPicker &picker = m_with.book.picker();
    if (deleted && m_with.switches.defaultQueryOn() && picker.count() > 0) {
        picker.pick(0);
    }
}

void TrackingQuery::abandon() {
    delete m_pending;
    m_pending = nullptr;
    m_answered = nullptr;
}

void TrackingQuery::finish() {
    m_with.session.showBusy(false);
    m_with.watch.stop();
}
