// The parcel picker: one entry per parcel, showing its goods text and carrying its row id.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"

#include <QComboBox>

#include <optional>

class ParcelStore;
class PickerModel;
struct ParcelRow;
class PickerEntries;

class ParcelPicker final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParcelPicker)

public:
    explicit ParcelPicker(QWidget *parent);

    // Refills the picker from the parcel table, after every change of it the picker must show (an
    // empty table empties it); afterwards no entry is current, so the picker shows no text until one
    // is picked. A book that cannot be read leaves the entries as they were.
    Outcome<> reload(ParcelStore &store);
    // Lists entries read from the parcel table elsewhere (the book's first read, off the window's
    // thread), just as reload() leaves the picker.
    void showRead(PickerEntries entries);
    // Lists exactly these parcels (a search, the numbers already in the book).
    void showRows(const QList<ParcelRow> &rows);
    // The row id of the picked entry; nothing when no entry is picked.
    std::optional<ParcelId> currentId() const;
    // The entry of the parcel; -1 when the picker does not list it.
    int indexOf(ParcelId id) const;
    // Selects an entry the way the program does after adding, searching or refreshing: the
    // parcel selection runs for it just as for a pick by the user.
    void pick(int index);

Q_SIGNALS:
    // An entry was picked, by the user (also the entry already shown) or by the program.
    void selected(int index);

private:
    void showEntries(PickerEntries entries);

    PickerModel *m_entries;
};
