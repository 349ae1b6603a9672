// The overview table's model: the lines of every parcel, those the filter shows, and how each cell reads.
#pragma once

#include "tracker/ProgressOverview.h"

#include <QAbstractTableModel>

#include <vector>

class OverviewModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OverviewModel)

public:
    // PickupOrEstimate: the pickup code of a parcel waiting for its user, else the day it is expected.
    enum Column { Goods, Number, Company, State, PickupOrEstimate, Newest, Time, ColumnCount };
    // The parcel's row id, as an integer, under this role of every cell.
    static constexpr int parcelRole = Qt::UserRole;

    explicit OverviewModel(QObject *parent);

    // Replaces every line; the filter stays.
    void setLines(std::vector<OverviewLine> lines);
    void setFilter(OverviewFilter filter);
    OverviewFilter filter() const { return m_filter; }
    std::optional<ParcelId> parcelAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void applyFilter();
    const OverviewLine &lineAt(int row) const;

    std::vector<OverviewLine> m_lines;
    // Indexes into m_lines of the lines the filter shows, in order.
    std::vector<std::size_t> m_shown;
    OverviewFilter m_filter = OverviewFilter::All;
};
