// The parcel picker's rows.
#include "widgets/PickerModel.h"

PickerModel::PickerModel(QObject *parent)
    : QAbstractListModel(parent) {}

void PickerModel::setEntries(PickerEntries entries) {
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

void PickerModel::adoptSpare() {
    beginResetModel();
    std::swap(m_entries, m_spare);
    endResetModel();
}

int PickerModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant PickerModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_entries.size()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_entries.goods(index.row()).toString();
    case Qt::UserRole:
        return qint64(m_entries.id(index.row()));
    default:
        return {};
    }
}

bool PickerModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || index.row() >= m_entries.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return false;
    }
    m_entries.setGoods(index.row(), value.toString());
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool PickerModel::removeRows(int row, int count, const QModelIndex &parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_entries.size()) {
        return false;
    }
    beginRemoveRows(parent, row, row + count - 1);
    m_entries.remove(row, count);
    endRemoveRows();
    return true;
}
