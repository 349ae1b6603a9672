// The parcel selection: a picked entry becomes the current parcel and is queried.
#pragma once

#include <QObject>

class TrackingQuery;
struct WindowState;

class ParcelSelection final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParcelSelection)

public:
    ParcelSelection(WindowState &state, TrackingQuery &query, QObject *parent);

    // Runs for the picker's current text and index.
    void select();

private:
    WindowState &m_state;
    TrackingQuery &m_query;
};
