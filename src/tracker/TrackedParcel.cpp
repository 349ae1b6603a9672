// Reading a parcel's row into the parcel a query is for.
#include "tracker/TrackedParcel.h"

#include "store/CourierStore.h"
#include "store/ParcelStore.h"

TrackedParcel trackedParcelOf(const ParcelRow &row, CourierStore &couriers) {
    TrackedParcel parcel{row.id, row.number, row.company, QString(), row.goods, row.storedCount()};
    if (const std::optional<CourierRow> courier = couriers.byName(parcel.company)) {
        parcel.companyCode = courier->code;
    }
    return parcel;
}

std::optional<TrackedParcel> readTrackedParcel(ParcelStore &parcels, CourierStore &couriers, ParcelId id) {
    const std::optional<ParcelRow> row = parcels.byId(id);
    if (!row) {
        return std::nullopt;
    }
    return trackedParcelOf(*row, couriers);
}
