// The overview table's cells, header and filter.
#include "overview/OverviewModel.h"

#include "widgets/PlainText.h"

#include <QFont>

OverviewModel::OverviewModel(QObject *parent)
    : QAbstractTableModel(parent) {}

void OverviewModel::setLines(std::vector<OverviewLine> lines) {
    beginResetModel();
    m_lines = std::move(lines);
    applyFilter();
    endResetModel();
}

void OverviewModel::setFilter(OverviewFilter filter) {
    beginResetModel();
    m_filter = filter;
    applyFilter();
    endResetModel();
}

void OverviewModel::applyFilter() {
    m_shown.clear();
    m_shown.reserve(m_lines.size());
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (overview::shows(m_filter, m_lines[i])) {
            m_shown.push_back(i);
        }
    }
}

const OverviewLine &OverviewModel::lineAt(int row) const {
    return m_lines[m_shown[static_cast<std::size_t>(row)]];
}

std::optional<ParcelId> OverviewModel::parcelAt(int row) const {
    if (row < 0 || row >= rowCount()) {
        return std::nullopt;
    }
    return lineAt(row).id;
}

int OverviewModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int OverviewModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OverviewModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const OverviewLine &line = lineAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Goods:
            // The dot tells unseen progress apart without colour.
            return line.unseen ? QStringLiteral("● ") + line.goods : line.goods;
        case Number:
            return line.number;
        case Company:
            return line.company;
        case State:
            return line.state;
        case PickupOrEstimate:
            if (line.pickupCode) {
                return QString(QStringLiteral("取件码 ") + *line.pickupCode);
            }
            return line.estimate ? tracking::estimateText(*line.estimate) : QString();
        case Newest:
            return line.newest;
        case Time:
            return line.newestTime;
        default:
            return {};
        }
    case Qt::ToolTipRole:
        // The newest progress is the service's text: a tag in it is shown, not obeyed. The time
        // column, scrolled out of view at the window's width, carries the same text with its time.
        if (index.column() == Newest) {
            return plainToolTip(line.newest);
        }
        return index.column() == Time && !line.newestTime.isEmpty()
                   ? QVariant(plainToolTip(line.newestTime + QLatin1Char('\n') + line.newest))
                   : QVariant();
    case Qt::FontRole:
        if (line.unseen) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case parcelRole:
        return line.id.value();
    default:
        return {};
    }
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char16_t *const captions[] = {u"物品",     u"单号", u"快递公司", u"状态", u"取件码/预计送达",
                                               u"最新进展", u"时间"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf16(captions[section]) : QVariant();
}
