// The courier directory page: the company list, its search box, quick picks and refresh button.
#pragma once

#include "shell/Page.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct CourierRow;
struct WindowState;

class DirectoryPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectoryPage)

public:
    explicit DirectoryPage(WindowState &state, QWidget *parent);

    QTreeWidget *list() const { return m_list; }
    // The company pickers of the add page and the operations page, whose caption a choice sets.
    void setCompanyPickers(QPushButton *addPicker, QPushButton *operationsPicker);
    // Empties the list and loads every company.
    void reload();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // `kdlb`: appends every courier row to the list.
    void kdlb();
    // Replaces the list by these rows.
    void showRows(const QList<CourierRow> &rows);
    void appendRows(const QList<CourierRow> &rows);
    void searchChanged(const QString &text);
    void quickPick(std::size_t element);
    void choose(QTreeWidgetItem *item);
    void copyTelephone(QTreeWidgetItem *item);

    WindowState &m_state;
    QTreeWidget *m_list;
    QLineEdit *m_search;
    std::array<QLabel *, 11> m_quickPicks{};
    QPushButton *m_refresh;
    QPushButton *m_addPicker = nullptr;
    QPushButton *m_operationsPicker = nullptr;
};
