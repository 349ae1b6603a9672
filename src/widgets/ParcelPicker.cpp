// Parcel picker reload.
#include "widgets/ParcelPicker.h"

#include "store/ParcelStore.h"
#include "widgets/PickerModel.h"

ParcelPicker::ParcelPicker(QWidget *parent)
    : QComboBox(parent)
    , m_entries(new PickerModel(this)) {
    setModel(m_entries);
    setObjectName(QStringLiteral("Text1"));
    setAccessibleName(QStringLiteral("选择快递"));
    setMaxVisibleItems(16);
    setEnabled(false);
    connect(this, &QComboBox::activated, this, &ParcelPicker::selected);
}

Outcome<> ParcelPicker::reload(ParcelStore &store) {
    if (Outcome<> read = store.pickerEntries(m_entries->spare()); !read) {
        return read;
    }
    m_entries->adoptSpare();
    setCurrentIndex(-1);
    return {};
}

void ParcelPicker::showRead(PickerEntries entries) {
    showEntries(std::move(entries));
    setCurrentIndex(-1);
}

void ParcelPicker::showRows(const QList<ParcelRow> &rows) {
    PickerEntries entries;
    for (const ParcelRow &row : rows) {
        entries.append(row.id.value(), row.goods);
    }
    showEntries(std::move(entries));
}

void ParcelPicker::showEntries(PickerEntries entries) {
    m_entries->setEntries(std::move(entries));
}

std::optional<ParcelId> ParcelPicker::currentId() const {
    const QVariant id = currentData();
    if (!id.isValid()) {
        return std::nullopt;
    }
    return ParcelId(id.toLongLong());
}

int ParcelPicker::indexOf(ParcelId id) const {
    return findData(QVariant::fromValue(id.value()));
}

void ParcelPicker::pick(int index) {
    setCurrentIndex(index);
    Q_EMIT selected(index);
}
