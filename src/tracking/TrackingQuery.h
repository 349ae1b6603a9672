// One tracking query for the current parcel and what its result code means.
#pragma once

#include <QObject>

#include <functional>

class ProgressParse;
struct WindowState;

class TrackingQuery final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrackingQuery)

public:
    TrackingQuery(WindowState &state, ProgressParse &parse, QObject *parent);

    // `cx`: queries the current parcel; the caller has locked the window.
    void cx();
    // `kdgs`: sends the request for the number and stores the answer text; `answered` runs when
    // the answer has arrived. The busy indicator and the anomaly watch run meanwhile.
    void kdgs(const QString &number, std::function<void()> answered);

private:
    void handleAnswer();
    // Result code 1: keep the parcel, or delete it after a second confirmation.
    void keepOrDelete();
    void finish();

    WindowState &m_state;
    ProgressParse &m_parse;
};
