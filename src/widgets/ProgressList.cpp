// Progress list rendering.
#include "widgets/ProgressList.h"

#include "tracking/ProgressReport.h"

ProgressList::ProgressList(QWidget *parent)
    : QTreeWidget(parent) {
    setObjectName(QStringLiteral("ListView1"));
    setAccessibleName(QStringLiteral("物流进度"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setHeaderLabels({QStringLiteral("Num"), QStringLiteral("时间"),
                     QStringLiteral("物流进度 ( 双击列表可复制单条物流进度 )")});
    setColumnWidth(0, 60);
    setColumnWidth(1, 130);
    setColumnWidth(2, 500);
    setEnabled(false);
}

void ProgressList::showEntries(const QList<ProgressEntry> &entries) {
    m_entries = entries;
    QList<QTreeWidgetItem *> items;
    items.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        items.append(new QTreeWidgetItem({QString::number(i + 1), entries[i].time, entries[i].context}));
    }
    clear();
    addTopLevelItems(items);
    Q_EMIT entriesReplaced();
    if (items.isEmpty()) {
        return;
    }
    for (int column = 0; column < 3; ++column) {
        items.first()->setForeground(column, Qt::red);
    }
    setCurrentItem(items.last());
    scrollToTop();
}

void ProgressList::clearEntries() {
    m_entries.clear();
    clear();
    Q_EMIT entriesReplaced();
}

QList<QStringList> ProgressList::rows() const {
    return tracking::listRows(m_entries);
}

std::optional<ProgressEntry> ProgressList::selectedEntry() const {
    QTreeWidgetItem *item = currentItem();
    if (!item || !item->isSelected()) {
        return std::nullopt;
    }
    const int row = indexOfTopLevelItem(item);
    if (row < 0 || row >= m_entries.size()) {
        return std::nullopt;
    }
    return m_entries[row];
}
