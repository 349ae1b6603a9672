// A series of adds through the tracker, one at a time.
#include "tracker/AddSeries.h"

#include "tracker/ParcelTracker.h"

#include <QTimer>

AddSeries::AddSeries(ParcelTracker &tracker, QObject *parent)
    : QObject(parent)
    , m_tracker(tracker) {
    connect(&m_tracker, &ParcelTracker::addFailed, this, [this](const Failure &failure) {
        if (m_phase == Phase::Idle || m_asking) {
            return;
        }
        m_failure = failure;
        // An add dropped while it waited (the window went back to idle) ends without an outcome.
        if (!m_tracker.busy()) {
            QTimer::singleShot(0, this, &AddSeries::settle);
        }
    });
    connect(&m_tracker, &ParcelTracker::parcelAdded, this, [this](ParcelId id, bool queried) {
        if (running() && m_result.kind == AddResult::Kind::NotAdded) {
            m_result.kind = queried ? AddResult::Kind::Added : AddResult::Kind::KeptUnknown;
            m_result.id = id;
        }
    });
    connect(&m_tracker, &ParcelTracker::alreadyInBook, this, [this] {
        if (running() && m_result.kind == AddResult::Kind::NotAdded) {
            m_result.kind = AddResult::Kind::AlreadyInBook;
            m_result.failure = Failure{QStringLiteral("快递数据已存在")};
        }
    });
    connect(&m_tracker, &ParcelTracker::queryEnded, this, [this](const QueryOutcome &outcome) {
        if (m_phase == Phase::Adding) {
            addEnded(outcome);
        } else if (m_phase == Phase::Following) {
            QTimer::singleShot(0, this, &AddSeries::settle);
        }
    });
}

void AddSeries::start(QList<TrackedParcel> parcels) {
    if (running()) {
        return;
    }
    m_parcels = std::move(parcels);
    m_position = 0;
    m_stopped = false;
    next();
}

void AddSeries::stop() {
    m_stopped = true;
    if (m_phase == Phase::Following) {
        settle();
    }
}

void AddSeries::next() {
    if (m_stopped || m_position >= m_parcels.size()) {
        m_phase = Phase::Idle;
        Q_EMIT finished();
        return;
    }
    m_result = AddResult();
    m_result.outcome.parcel = m_parcels[m_position];
    m_failure.reset();
    m_phase = Phase::Adding;
    Q_EMIT adding(int(m_position + 1), int(m_parcels.size()));
    m_asking = true;
    const Outcome<> sent = m_tracker.addParcel(m_parcels[m_position]);
    m_asking = false;
    if (!sent || !m_tracker.busy()) {
        // Nothing went out: refused, or kept unasked with no service set.
        if (!sent) {
            m_result.failure = sent.failure();
        }
        m_phase = Phase::Following;
        QTimer::singleShot(0, this, &AddSeries::settle);
    }
}

void AddSeries::addEnded(const QueryOutcome &outcome) {
    const TrackedParcel asked = m_result.outcome.parcel;
    m_result.outcome = outcome;
    m_result.outcome.parcel = asked;
    m_phase = Phase::Following;
    // The add's own signals (stored, already there) follow its end within the same call.
    QTimer::singleShot(0, this, &AddSeries::settle);
}

void AddSeries::settle() {
    if (m_phase == Phase::Idle || m_tracker.busy()) {
        return;
    }
    if (m_result.kind == AddResult::Kind::NotAdded && !m_result.failure) {
        if (!m_result.outcome.message.isEmpty()) {
            m_result.failure = Failure{m_result.outcome.message};
        } else if (m_failure) {
            m_result.failure = m_failure;
        } else {
            m_result.failure =
                Failure{m_result.outcome.kind == tracking::AnswerKind::NotKnown
                            ? QStringLiteral("查询服务没有这个单号的信息,未保存")
                            : QStringLiteral("查询服务返回了结果码 %1").arg(m_result.outcome.code)};
        }
    }
    m_result.id = m_result.stored() ? m_result.id : ParcelId();
    m_result.outcome.parcel.id = m_result.id;
    const AddResult result = m_result;
    const int position = int(++m_position);
    m_phase = Phase::Idle;
    Q_EMIT added(position, result);
    next();
}
