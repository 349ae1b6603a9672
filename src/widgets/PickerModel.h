// What the parcel picker lists: one row per parcel, its goods text and its row id, and nothing more.
#pragma once

#include "store/ParcelStore.h"

#include <QAbstractListModel>

class PickerModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PickerModel)

public:
    explicit PickerModel(QObject *parent);

    // Replaces every row in one reset: a book of any size costs one pass and no item per row.
    void setEntries(PickerEntries entries);
    // Entries to fill for the next reload; adoptSpare() shows them in one reset, and the ones shown
    // until then become the spare, so reloads reuse both buffers.
    PickerEntries &spare() { return m_spare; }
    void adoptSpare();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The goods text for display and editing; the row id (a number) for Qt::UserRole.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The goods text of a row may be rewritten (the picker's setItemText).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

private:
    PickerEntries m_entries;
    PickerEntries m_spare;
};
