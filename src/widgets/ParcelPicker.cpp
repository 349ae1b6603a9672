// Parcel picker reload.
#include "widgets/ParcelPicker.h"

#include "store/ParcelStore.h"
#include "widgets/PickerModel.h"

ParcelPicker::ParcelPicker(QWidget *parent)
    : QComboBox(parent)
    , m_entries(new PickerModel(this)) {
    setModel(m_entries);
    setObjectName(QStringLiteral("Text1"));
    setMaxVisibleItems(16);
    setEnabled(false);
    connect(this, &QComboBox::activated, this, &ParcelPicker::selected);
}

void ParcelPicker::read(ParcelStore &store) {
    PickerEntries &entries = m_entries->spare();
    store.pickerEntries(entries);
    if (entries.isEmpty()) {
        return;
    }
    m_entries->adoptSpare();
    setCurrentIndex(-1);
}

void ParcelPicker::sX(ParcelStore &store) {
    read(store);
}

void ParcelPicker::showRows(const QList<ParcelRow> &rows) {
    PickerEntries entries;
    for (const ParcelRow &row : rows) {
        entries.append(row.id, row.goods);
    }
    showEntries(std::move(entries));
}

void ParcelPicker::showEntries(PickerEntries entries) {
    m_entries->setEntries(std::move(entries));
}

QString ParcelPicker::currentId() const {
    const QVariant id = currentData();
    return id.isValid() ? QString::number(id.toLongLong()) : QString();
}

void ParcelPicker::pick(int index) {
    setCurrentIndex(index);
    Q_EMIT selected(index);
}
