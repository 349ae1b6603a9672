// The text record of the parcel picked last: what the flows act on and what a request is for.
#pragma once

#include <QString>

struct CurrentParcel {
    QString number;
    QString company;
    QString companyCode;
    QString goods;
    QString storedCount;
    QString id; // the row id as decimal text; empty for a parcel not yet in the book
    QString pickerPosition;
};
