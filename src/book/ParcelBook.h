// The parcel book as the pages see it: its statements, the picker that lists it, and the tracker that
// follows the current parcel.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"

#include <QString>

#include <optional>

class CourierStore;
class Feedback;
class ParcelPicker;
class ParcelStore;
class ParcelTracker;

class ParcelBook final {
public:
    // The picker follows the book's feed from now on, when its connection has one.
    ParcelBook(ParcelStore &parcels, CourierStore &couriers, ParcelPicker &picker, ParcelTracker &tracker,
               const Feedback &feedback);

    ParcelStore &parcels() const { return m_parcels; }
    CourierStore &couriers() const { return m_couriers; }
    ParcelPicker &picker() const { return m_picker; }
    ParcelTracker &tracker() const { return m_tracker; }

    // Refills the picker from the book; a failure is put on the hint line as well as returned, so a
    // caller with nothing more to do ignores it.
    Outcome<> reloadPicker() const;
    // Picks the parcel's entry the way the user would, which queries it; false when it is not listed.
    bool pickParcel(ParcelId id) const;
    // A pick from a view beside the picker (the overview, a notification), made as the user would make
    // it, the whole book listed again when a search shows only some. While a mode or a query holds the
    // window nothing is picked, and the tracker's refusal comes back.
    Outcome<> pickFromView(ParcelId id) const;
    // Picks the first entry when there is one (the "默认查询" switch after a refresh or a delete).
    void pickFirst() const;

private:
    // The picker's entry of an edited parcel shows its goods as stored now; the selection stays.
    void showEdited(ParcelId id) const;

    ParcelStore &m_parcels;
    CourierStore &m_couriers;
    ParcelPicker &m_picker;
    ParcelTracker &m_tracker;
    const Feedback &m_feedback;
};
