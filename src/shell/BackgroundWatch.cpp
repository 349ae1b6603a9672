// Ticks of the background watch.
#include "shell/BackgroundWatch.h"

#include "tracker/WatchPass.h"

#include <QTimer>

BackgroundWatch::BackgroundWatch(WatchPass *pass, QObject *parent)
    : QObject(parent)
    , m_pass(pass)
    , m_timer(new QTimer(this)) {
    m_pass->setParent(this);
    m_timer->setObjectName(QStringLiteral("watchTimer"));
    // A pass still running when the next tick comes is left to finish; start() refuses the second.
    connect(m_timer, &QTimer::timeout, m_pass, &WatchPass::start);
    connect(m_pass, &WatchPass::parcelChecked, this, &BackgroundWatch::parcelChecked);
    connect(m_pass, &WatchPass::bookFailed, this, &BackgroundWatch::bookFailed);
}

void BackgroundWatch::schedule(bool on, int minutes) {
    if (!on) {
        m_timer->stop();
        return;
    }
    m_timer->start(minutes * 60 * 1000);
}

void BackgroundWatch::parcelChecked(const QueryOutcome &outcome) {
    // Nobody asked for this pass, but progress it learnt and could not keep is not dropped unsaid.
    if (outcome.bookFailure) {
        Q_EMIT bookFailed(Failure{QStringLiteral("后台检查:快递【%1】").arg(outcome.parcel.goods) +
                                      outcome.bookFailure->reason,
                                  outcome.bookFailure->detail, outcome.bookFailure->kind});
    }
}
