// Reloading and picking the book's entries.
#include "book/ParcelBook.h"

#include "store/BookFeed.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "tracker/ParcelTracker.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"

ParcelBook::ParcelBook(ParcelStore &parcels, CourierStore &couriers, ParcelPicker &picker,
                       ParcelTracker &tracker, const Feedback &feedback)
    : m_parcels(parcels)
    , m_couriers(couriers)
    , m_picker(picker)
    , m_tracker(tracker)
    , m_feedback(feedback) {
    // The picker lists what the book holds, whoever changed it.
    if (BookFeed *feed = parcels.database().feed()) {
        const auto reload = [this] {
            static_cast<void>(reloadPicker());
        };
        QObject::connect(feed, &BookFeed::parcelAdded, &picker, reload);
        QObject::connect(feed, &BookFeed::parcelRemoved, &picker, reload);
        QObject::connect(feed, &BookFeed::bookCleared, &picker, reload);
        QObject::connect(feed, &BookFeed::parcelEdited, &picker, [this](ParcelId id) { showEdited(id); });
    }
}

void ParcelBook::showEdited(ParcelId id) const {
    const int index = m_picker.indexOf(id);
    if (index < 0) {
        return;
    }
    const Outcome<std::optional<ParcelRow>> row = m_parcels.byId(id);
    if (!row.ok()) {
        m_feedback.hint(row.failure().said(QStringLiteral("快递列表读取")));
    } else if (*row) {
        m_picker.setItemText(index, (*row)->goods);
    }
}

Outcome<> ParcelBook::reloadPicker() const {
    Outcome<> reloaded = m_picker.reload(m_parcels);
    if (!reloaded) {
        m_feedback.hint(reloaded.failure().said(QStringLiteral("快递列表读取")));
    }
    return reloaded;
}

bool ParcelBook::pickParcel(ParcelId id) const {
    const int index = m_picker.indexOf(id);
    if (index < 0) {
        return false;
    }
    m_picker.pick(index);
    return true;
}

Outcome<> ParcelBook::pickFromView(ParcelId id) const {
    if (Outcome<> allowed = m_tracker.pickAllowed(); !allowed) {
        return allowed;
    }
    if (!pickParcel(id) && reloadPicker()) {
        pickParcel(id);
    }
    return {};
}

void ParcelBook::pickFirst() const {
    if (m_picker.count() > 0) {
        m_picker.pick(0);
    }
}
