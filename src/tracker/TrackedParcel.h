// The parcel a query is for, as the tracker holds it: its row id, what the service is asked, and its stored
// count.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"

#include <QString>

#include <optional>

class CourierStore;
class ParcelStore;
struct ParcelRow;

struct TrackedParcel {
    // Invalid for a number not yet in the book (a parcel being added).
    ParcelId id;
    QString number;
    QString company;
    // The company's tracking code, from the courier table.
    QString companyCode;
    QString goods;
    // The progress count stored when the parcel was read; nothing while none is stored.
    std::optional<qint64> storedCount;
};

// The parcel as its row holds it, with its company's tracking code from the courier table.
Outcome<TrackedParcel> trackedParcelOf(const ParcelRow &row, CourierStore &couriers);
// The parcel's row read afresh; nothing when it left the book.
Outcome<std::optional<TrackedParcel>> readTrackedParcel(ParcelStore &parcels, CourierStore &couriers,
                                                        ParcelId id);
