// Parcel picker reload.
#include "widgets/ParcelPicker.h"

#include "store/ParcelStore.h"

#include <QStandardItemModel>

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
    QList<QStandardItem *> items;
    items.reserve(entries.size());
    for (const PickerEntry &entry : entries) {
        auto *item = new QStandardItem(entry.goods);
        item->setData(qint64(entry.id), Qt::UserRole);
        items.append(item);
    }
    // One insertion for the whole book rather than one per entry.
    static_cast<QStandardItemModel *>(model())->invisibleRootItem()->appendRows(items);
}

QString ParcelPicker::currentId() const {
    const QVariant id = currentData();
    return id.isValid() ? QString::number(id.toLongLong()) : QString();
}

void ParcelPicker::pick(int index) {
    setCurrentIndex(index);
    Q_EMIT selected(index);
}
