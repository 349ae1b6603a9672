// Clear, refresh and export.
#include "book/ListOperations.h"

#include "book/ExportText.h"
#include "book/ParcelPicker.h"
#include "shell/WindowState.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/Schema.h"
#include "store/SettingsPage.h"
#include "store/StoreError.h"

#include <QTreeWidget>

ListOperations::ListOperations(WindowState &state, QObject *parent)
    : QObject(parent)
    , m_state(state) {}

void ListOperations::clear() {
    if (!m_state.ask(QStringLiteral("确定要清空快递列表吗?"))) {
        return;
    }
    m_state.setHint(QStringLiteral("正在清空..."));
    try {
        // A short-lived connection of its own, closed before the picker is touched.
        Database second =
            Database::open(m_state.programDir + schema::databaseFile(), schema::databasePassword());
        ParcelStore(second).clear();
    } catch (const StoreError &error) {
        m_state.setHint(QStringLiteral("快递列表清空失败!错误原因") + error.description());
        return;
    }
    m_state.picker->clear();
    m_state.picker->setCurrentIndex(-1);
    m_state.progressList->clear();
    m_state.setHint(QStringLiteral("快递列表已清空..."));
}

void ListOperations::refresh() {
    if (!m_state.reloadPicker()) {
        return;
    }
    m_state.progressList->clear();
    if (m_state.settingsPage->defaultQueryOn() && m_state.picker->count() > 0) {
        m_state.picker->pick(0);
    }
    m_state.setHint(QStringLiteral("快递列表已刷新.."));
}

void ListOperations::exportList() {
    Dialogs &dialogs = *m_state.platform.dialogs;
    QTreeWidget *list = m_state.progressList;
    if (list->topLevelItemCount() == 0) {
        m_state.inform(QStringLiteral("没有可导出的数据!"));
        return;
    }
    const std::optional<QString> file = dialogs.saveFileName(QStringLiteral("(TXT文本) (*.txt)"));
    if (!file) {
        m_state.setHint(QStringLiteral("已取消保存"));
        return;
    }
    QList<QStringList> rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = list->topLevelItem(row);
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column) {
            cells.append(item->text(column));
        }
        rows.append(cells);
    }
    const ExportResult result = ExportListViewContent(rows, *file);
    switch (result.outcome) {
    case ExportResult::Written:
        m_state.inform(QStringLiteral("成功导出全部数据!"));
        m_state.setHint(QStringLiteral("成功导出全部数据.."));
        break;
    case ExportResult::NoRows:
        m_state.inform(QStringLiteral("没有可导出的数据!"));
        m_state.setHint(QStringLiteral("没有可导出的数据.."));
        break;
    case ExportResult::Failed:
        m_state.inform(QStringLiteral("数据导出失败!错误原因") + result.error);
        m_state.setHint(QStringLiteral("数据导出失败.."));
        break;
    }
}
