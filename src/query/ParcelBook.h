// The parcel book as the flows see it: its statements, the picker that lists it, and the current parcel.
#pragma once

#include "query/CurrentParcel.h"
#include "tracking/TrackingText.h"

#include <optional>

class CourierStore;
class Feedback;
class ParcelPicker;
class ParcelStore;

class ParcelBook final {
public:
    ParcelBook(ParcelStore &parcels, CourierStore &couriers, ParcelPicker &picker, const Feedback &feedback);

    ParcelStore &parcels() const { return m_parcels; }
    CourierStore &couriers() const { return m_couriers; }
    ParcelPicker &picker() const { return m_picker; }

    const CurrentParcel &current() const { return m_current; }
    // The parcel selection's load: the row with this id becomes the current parcel, with its
    // company's tracking code. Without such a row (an empty picker, say) the current parcel keeps
    // its values. Throws StoreError.
    void select(const QString &id, int pickerPosition);
    // The delivery status the last parse showed for the current parcel; nothing until one has.
    std::optional<DeliveryStatus> shownStatus() const { return m_shownStatus; }
    void setShownStatus(DeliveryStatus status) { m_shownStatus = status; }

    // `sX` with a failure put on the hint line; false when the table could not be read.
    bool reloadPicker() const;
    // Deletes the current parcel's row and tells the user how that went; false when the store refused.
    bool deleteCurrent() const;

private:
    ParcelStore &m_parcels;
    CourierStore &m_couriers;
    ParcelPicker &m_picker;
    const Feedback &m_feedback;
    CurrentParcel m_current;
    std::optional<DeliveryStatus> m_shownStatus;
};
