// The parcel picker: one entry per parcel, showing its goods text and carrying its row id.
#pragma once

#include <QComboBox>

class ParcelStore;
class PickerModel;
struct ParcelRow;
class PickerEntries;

class ParcelPicker final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParcelPicker)

public:
    explicit ParcelPicker(QWidget *parent);

    // `read`: refills the picker from the parcel table. An empty table leaves the entries as they
    // are; afterwards no entry is current, so the picker shows no text until one is picked.
    void read(ParcelStore &store);
    // `sX`: the same reload, run after every change of the parcel table the picker must show.
    void sX(ParcelStore &store);
    // Lists exactly these parcels (a search, the numbers already in the book).
    void showRows(const QList<ParcelRow> &rows);
    // The row id of the picked entry, as decimal text; empty when no entry is picked.
    QString currentId() const;
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
