// Deleting a parcel's row on the user's word, and telling the user how that went.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"

class Dialogs;
class ParcelStore;

class ParcelDeletion {
public:
    ParcelDeletion(ParcelStore &parcels, Dialogs &dialogs);

    // The service no longer knows a number of the book: whether the user lets it go, asked twice.
    bool confirmUnknownGoes() const;
    // Deletes the row and tells the user; why not when it is still there. A row someone else deleted
    // first is gone all the same.
    Outcome<> remove(ParcelId id) const;

private:
    ParcelStore &m_parcels;
    Dialogs &m_dialogs;
};
