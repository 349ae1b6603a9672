// The parcel a query is for, as the tracker holds it: its row id, what the service is asked, and its stored
// count.
#pragma once

#include "store/ParcelId.h"

#include <QString>

#include <optional>

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
