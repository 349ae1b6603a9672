// Sending one tracking request and reading its answer.
#include "tracking/TrackingRequest.h"

#include "net/WebClient.h"

#include <QNetworkReply>

TrackingRequest::TrackingRequest(WebClient &web, const TrackingService &service, const QString &companyCode,
                                 QString number, ParcelId parcelId, quint64 serial, QObject *parent)
    : QObject(parent)
    , m_number(std::move(number))
    , m_parcelId(parcelId)
    , m_serial(serial) {
    // A transfer that failed (cut off, too large, no answer) is no answer at all, whatever came.
    m_reply = web.get(
        tracking::queryUrl(service, companyCode, m_number), this,
        [this](const WebReply &reply) {
            if (reply.failed) {
                tracking::TrackingAnswer none;
                none.message = reply.reason;
                Q_EMIT answered(none);
                return;
            }
            Q_EMIT answered(tracking::interpretAnswer(reply.body));
        },
        WebLimits{0, trackingAnswerCap, true});
}

TrackingRequest::~TrackingRequest() {
    if (m_reply && !m_reply->isFinished()) {
        // Aborting finishes the reply at once; nobody may hear of it from a request being destroyed.
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
    }
}
