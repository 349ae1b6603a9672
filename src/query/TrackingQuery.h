// One tracking query at a time: each request knows whom it is for, and only the newest is heard.
#pragma once

#include "query/CurrentParcel.h"
#include "tracking/TrackingAnswer.h"

#include <QObject>

#include <functional>

class AnomalyWatch;
class Feedback;
class ParcelBook;
class ProgressList;
class ProgressParse;
class QuerySession;
class Switches;
class TrackingRequest;
class WebClient;

class TrackingQuery final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrackingQuery)

public:
    // The parcel the request was for (a snapshot taken when it was sent) and what came back.
    using Answered = std::function<void(const CurrentParcel &parcel, const tracking::TrackingAnswer &answer)>;

    struct Collaborators {
        WebClient &web;
        QString serviceAddress;
        ParcelBook &book;
        QuerySession &session;
        ProgressList &list;
        const Feedback &feedback;
        AnomalyWatch &watch;
        ProgressParse &parse;
        const Switches &switches;
    };
    TrackingQuery(Collaborators collaborators, QObject *parent);

    // `cx`: queries the current parcel; the caller has locked the window. Its answer is applied
    // only while that parcel is still current. Returns the serial of the request sent.
    quint64 cx();
    // `kdgs`: sends the request for the parcel (the current one, or one about to be added) and
    // calls answered when its answer arrives, unless a newer request has replaced it meanwhile
    // (the older one is then aborted). The busy indicator and the anomaly watch run meanwhile.
    void kdgs(const CurrentParcel &parcel, Answered answered);
    // Hides the busy indicator and stops the anomaly watch.
    void finish();
    // Drops the request still waiting (the watch gave up, the window went back to idle): its
    // reply is aborted, so it holds no connection, and its answer is never applied.
    void abandon();

Q_SIGNALS:
    // The current parcel's query with this serial came back as a failure; the hint line already
    // shows its message.
    void failed(quint64 serial, const tracking::TrackingAnswer &answer);

private:
    void arrived(TrackingRequest *request, const tracking::TrackingAnswer &answer);
    void handleAnswer(const CurrentParcel &parcel, const tracking::TrackingAnswer &answer);
    // Result code 1: keep the parcel, or delete it after a second confirmation.
    void keepOrDelete();

    Collaborators m_with;
    TrackingRequest *m_pending = nullptr;
    CurrentParcel m_pendingParcel;
    Answered m_answered;
    quint64 m_serial = 0;
};
