// Parcel picker reload.
#include "widgets/ParcelPicker.h"

#include "store/ParcelStore.h"

ParcelPicker::ParcelPicker(QWidget *parent)
    : QComboBox(parent) {
    setObjectName(QStringLiteral("Text1"));
    setMaxVisibleItems(16);
    setEnabled(false);
    connect(this, &QComboBox::activated, this, &ParcelPicker::selected);
}

void ParcelPicker::read(ParcelStore &store) {
    const QList<PickerEntry> entries = store.pickerEntries();
    if (entries.isEmpty()) {
        return;
    }
    showEntries(entries);
    setCurrentIndex(-1);
}

void ParcelPicker::sX(ParcelStore &store) {
    read(store);
}

void ParcelPicker::showRows(const QList<ParcelRow> &rows) {
    QList<PickerEntry> entries;
    entries.reserve(rows.size());
    for (const ParcelRow &row : rows) {
        entries.append({row.id, row.goods});
    }
    showEntries(entries);
}

void ParcelPicker::showEntries(const QList<PickerEntry> &entries) {
    clear();
    for (const PickerEntry &entry : entries) {
        addItem(entry.goods, QString::number(entry.id));
    }
}

QString ParcelPicker::currentId() const {
    return currentData().toString();
}

void ParcelPicker::pick(int index) {
    setCurrentIndex(index);
    Q_EMIT selected(index);
}
