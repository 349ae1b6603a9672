// Reading a parcel's row into the parcel a query is for.
#include "tracker/TrackedParcel.h"

#include "store/CourierStore.h"
#include "store/ParcelStore.h"

Outcome<TrackedParcel> trackedParcelOf(const ParcelRow &row, CourierStore &couriers) {
    TrackedParcel parcel{row.id, row.number, row.company, QString(), row.goods, row.storedCount()};
    const Outcome<std::optional<CourierRow>> courier = couriers.byName(parcel.company);
    if (!courier.ok()) {
        return courier.failure();
    }
    if (*courier) {
        parcel.companyCode = (*courier)->code;
    }
    return parcel;
}

Outcome<std::optional<TrackedParcel>> readTrackedParcel(ParcelStore &parcels, CourierStore &couriers,
                                                        ParcelId id) {
    const Outcome<std::optional<ParcelRow>> row = parcels.byId(id);
    if (!row.ok()) {
        return row.failure();
    }
    if (!*row) {
        return std::optional<TrackedParcel>();
    }
    const Outcome<TrackedParcel> parcel = trackedParcelOf(**row, couriers);
    if (!parcel) {
        return parcel.failure();
    }
    return std::optional<TrackedParcel>(*parcel);
}
