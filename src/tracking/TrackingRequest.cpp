// Sending one tracking request and reading its answer.
#include "tracking/TrackingRequest.h"

#include "net/WebClient.h"

#include <QTimer>

TrackingRequest::TrackingRequest(WebClient &web, const TrackingService &service, const QString &companyCode,
                                 QString number, ParcelId parcelId, quint64 serial, QObject *parent,
                                 AnswerLimit limit)
    : QObject(parent)
    , m_number(std::move(number))
    , m_parcelId(parcelId)
    , m_serial(serial)
    , m_listener(new QObject(this))
    , m_limit(new QTimer(this))
    , m_limitSeconds(limit.seconds) {
    m_limit->setObjectName(QStringLiteral("answerLimit"));
    m_limit->setInterval(1000);
    connect(m_limit, &QTimer::timeout, this, &TrackingRequest::countSecond);
    m_limit->start();
    // A transfer that failed (cut off, too large, no answer) is no answer at all, whatever came.
    web.get(
        tracking::queryUrl(service, companyCode, m_number), m_listener,
        [this, waitOutSilence = limit.waitOutSilence](const WebReply &reply) {
            tracking::TrackingAnswer answer;
            if (reply.failure) {
                answer.message = reply.failure->reason;
            } else {
                answer = tracking::interpretAnswer(reply.body);
            }
            if (answer.kind == tracking::AnswerKind::NoAnswer && waitOutSilence) {
                return;
            }
            m_limit->stop();
            Q_EMIT answered(answer);
        },
        WebLimits{0, trackingAnswerCap, true});
}

void TrackingRequest::countSecond() {
    if (++m_secondsWaited < m_limitSeconds) {
        return;
    }
    m_limit->stop();
    delete m_listener;
    m_listener = nullptr;
    Q_EMIT timedOut();
}
