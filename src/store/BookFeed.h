// What changed in the book, said by the statements that changed it, so that every view of this process
// shows what the book knows without asking who wrote it: the window's picker, its current parcel and the
// overview follow it alike, whether the user, a query or the background watch did the writing.
#pragma once

#include "store/ParcelId.h"

#include <QObject>

class BookFeed final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookFeed)

public:
    explicit BookFeed(QObject *parent = nullptr);

Q_SIGNALS:
    void parcelAdded(ParcelId id);
    // Its company, goods or number changed, or its count was reset.
    void parcelEdited(ParcelId id);
    void parcelRemoved(ParcelId id);
    void bookCleared();
    // An answer was stored for the parcel (its count, last progress and entries, in one commit);
    // `newProgress`: the answer carried progress the book had not counted yet.
    void progressStored(ParcelId id, bool newProgress);
};
