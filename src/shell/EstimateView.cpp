// The current parcel's expected day from the book's own history.
#include "shell/EstimateView.h"

#include "platform/Platform.h"
#include "store/BookFeed.h"
#include "store/ProgressStore.h"
#include "tracker/ParcelTracker.h"
#include "widgets/StatusPanel.h"

EstimateView::EstimateView(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_with(collaborators) {
    const auto show = [this](const TrackedParcel &parcel, const tracking::ProgressReport &report,
                             tracking::UpdateState) {
        showEstimate(parcel, report);
    };
    connect(&m_with.tracker, &ParcelTracker::storedProgressShown, this, show);
    connect(&m_with.tracker, &ParcelTracker::progressShown, this, show);
    if (m_with.feed) {
        const auto forget = [this] {
            m_history.reset();
        };
        connect(m_with.feed, &BookFeed::progressStored, this, forget);
        connect(m_with.feed, &BookFeed::parcelEdited, this, forget);
        connect(m_with.feed, &BookFeed::parcelRemoved, this, forget);
        connect(m_with.feed, &BookFeed::bookCleared, this, forget);
    }
}

void EstimateView::showEstimate(const TrackedParcel &parcel, const tracking::ProgressReport &report) {
    if (report.entries.isEmpty()) {
        m_with.status.showEstimate(std::nullopt);
        return;
    }
    const tracking::ParcelCourse course{parcel.company, report.status, report.entries.last().time,
                                        report.pickupCode.has_value()};
    if (!m_history) {
        const Outcome<QList<DeliveredParcel>> delivered = m_with.progress.deliveryHistory();
        if (!delivered) {
            // The hint line holds what the query came to (a book that failed to keep it, say), which
            // matters more than a day left out; the log keeps why.
            qWarning("delivery history: %s", qPrintable(delivered.failure().detail));
            m_with.status.showEstimate(std::nullopt);
            return;
        }
        m_history = tracking::DeliveryHistory(*delivered);
    }
    m_with.status.showEstimate(m_history->estimate(course, m_with.clock.now().date()));
}
