// The window's background watch: a pass over the parcels not signed for every few minutes, without
// locking the window, and the current parcel shown anew from the book when the pass found it moved.
#pragma once

#include <QObject>

class ParcelTracker;
class QTimer;
class WatchPass;
struct QueryOutcome;

class BackgroundWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundWatch)

public:
    // Takes over the pass (a child of this object from then on).
    BackgroundWatch(WatchPass *pass, ParcelTracker &tracker, QObject *parent);

    // Runs a pass every `minutes` while `on`; stops the ticks otherwise.
    void schedule(bool on, int minutes);

Q_SIGNALS:
    // A pass is over; what the book knows of the parcels' progress may have changed.
    void passEnded();
    // The book did not keep what a pass learnt (or could not be read): why, in Chinese.
    void bookFailed(const QString &reason);

private:
    void parcelChecked(const QueryOutcome &outcome);

    WatchPass *m_pass;
    ParcelTracker &m_tracker;
    QTimer *m_timer;
};
