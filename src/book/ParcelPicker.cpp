// Parcel picker reload.
#include "book/ParcelPicker.h"

#include "store/ParcelStore.h"

ParcelPicker::ParcelPicker(QWidget *parent)
    : QComboBox(parent) {
    setObjectName(QStringLiteral("Text1"));
    setMaxVisibleItems(16);
    setEnabled(false);
    connect(this, &QComboBox::activated, this, &ParcelPicker::selected);
}

void ParcelPicker::read(ParcelStore &store) {
    const QStringList goods = store.allGoods();
    if (goods.isEmpty()) {
        return;
    }
    clear();
    addItems(goods);
    setCurrentIndex(-1);
}

void ParcelPicker::sX(ParcelStore &store) {
    read(store);
}

void ParcelPicker::pick(int index) {
    setCurrentIndex(index);
    Q_EMIT selected(index);
}
