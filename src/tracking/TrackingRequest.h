// One tracking request: whom it is for (the parcel's row id, its number, a serial), its reply and its time
// limit.
#pragma once

#include "store/ParcelId.h"
#include "tracking/TrackingAnswer.h"

#include <QObject>
#include <QString>

class QTimer;
class WebClient;
struct TrackingService;

// How long a request waits for its answer.
struct AnswerLimit {
    // Counted from the request, one tick a second ("answerLimit"), so a test can tick it by hand.
    int seconds = 10;
    // A reply that brought nothing is not reported: the request waits out its limit, so a window's
    // user sees the anomaly message when the time is up rather than at once.
    bool waitOutSilence = false;
};

class TrackingRequest final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrackingRequest)

public:
    // Sends the query for the number at once. parcelId is invalid for a number not yet in the book.
    TrackingRequest(WebClient &web, const TrackingService &service, const QString &companyCode,
                    QString number, ParcelId parcelId, quint64 serial, QObject *parent = nullptr,
                    AnswerLimit limit = {});

    ParcelId parcelId() const { return m_parcelId; }
    const QString &number() const { return m_number; }
    quint64 serial() const { return m_serial; }

Q_SIGNALS:
    // Once, when the reply has ended: the body that came, read as a tracking answer.
    void answered(const tracking::TrackingAnswer &answer);
    // Once, instead of `answered`, when the limit passed first; the reply has been aborted.
    void timedOut();

private:
    void countSecond();

    QString m_number;
    ParcelId m_parcelId;
    quint64 m_serial;
    // Hears the transfer's end. Deleting it aborts the transfer unheard, as the limit passes or as the
    // request is dropped before its answer, so no connection is held for nobody.
    QObject *m_listener;
    QTimer *m_limit;
    int m_limitSeconds;
    int m_secondsWaited = 0;
};
