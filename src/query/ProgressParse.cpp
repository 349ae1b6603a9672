// Progress parsing and delivery status.
#include "query/ProgressParse.h"

#include "platform/Platform.h"
#include "query/AnomalyWatch.h"
#include "query/ChangeDetection.h"
#include "query/ParcelBook.h"
#include "query/QuerySession.h"
#include "tracking/ProgressReport.h"
#include "widgets/Feedback.h"
#include "widgets/ProgressList.h"
#include "widgets/StatusPanel.h"

#include <QTimer>

ProgressParse::ProgressParse(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators)
    , m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, &ProgressParse::parse);
}

void ProgressParse::hx2(const CurrentParcel &parcel, QList<ProgressEntry> entries) {
    m_armed = Armed{parcel, std::move(entries)};
    m_timer->start();
}

void ProgressParse::ql() {
    m_timer->stop();
    m_armed.reset();
}

void ProgressParse::parse() {
    if (!m_armed) {
        m_timer->stop();
        return;
    }
    const Armed armed = std::move(*m_armed);
    ql();
    // The answer was for a parcel that is no longer current: it shows nothing.
    if (armed.parcel.id != m_with.book.current().id) {
        return;
    }
    m_with.list.setEnabled(true);
    const QDateTime now = m_with.clock.now();
    const tracking::ProgressReport report = tracking::reportProgress(armed.entries, now);
    m_with.list.showEntries(report.entries);
    m_with.session.showBusy(false);
    m_with.watch.stop();
    m_with.feedback.hint(tracking::finishedHint(report, now));
    m_with.status.showCompany(armed.parcel.company);
    m_with.session.unlockAfterQuery();
    m_with.status.showProgress(report);
    m_with.book.setShownStatus(report.status);
    m_with.changes.gxtj(armed.parcel, report);
}
