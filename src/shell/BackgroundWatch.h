// The window's background watch: a pass over the parcels not signed for every few minutes, without
// locking the window. What a pass stores reaches the views through the book's feed.
#pragma once

#include "text/Failure.h"

#include <QObject>

class QTimer;
class WatchPass;
struct QueryOutcome;

class BackgroundWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundWatch)

public:
    // Takes over the pass (a child of this object from then on).
    BackgroundWatch(WatchPass *pass, QObject *parent);

    // Runs a pass every `minutes` while `on`; stops the ticks otherwise.
    void schedule(bool on, int minutes);

Q_SIGNALS:
    // The book did not keep what a pass learnt, or could not be read.
    void bookFailed(const Failure &failure);

private:
    void parcelChecked(const QueryOutcome &outcome);

    WatchPass *m_pass;
    QTimer *m_timer;
};
