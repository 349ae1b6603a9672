// The courier directory page: the company list, its search box, quick picks and refresh button.
#pragma once

#include "widgets/Page.h"

#include <array>

class CourierStore;
class Feedback;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct CourierRow;

class DirectoryPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectoryPage)

public:
    DirectoryPage(CourierStore &couriers, const Feedback &feedback, QWidget *parent);

    QTreeWidget *list() const { return m_list; }
    // The eleven quick picks and the strip that holds them, which the window chrome colours.
    const std::array<QLabel *, 11> &quickPicks() const { return m_quickPicks; }
    QWidget *quickPickStrip() const { return m_quickPickStrip; }
    // Empties the list and loads every company.
    void reload();

Q_SIGNALS:
    // A company was chosen by a double click, Enter or Space; the page that asked for it takes the name.
    void companyChosen(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Appends every courier row to the list.
    void listAllCouriers();
    // Replaces the list by these rows.
    void showRows(const QList<CourierRow> &rows);
    void appendRows(const QList<CourierRow> &rows);
    void searchChanged(const QString &text);
    void quickPick(std::size_t element);
    void choose(QTreeWidgetItem *item);
    void copyTelephone(QTreeWidgetItem *item);

    CourierStore &m_couriers;
    const Feedback &m_feedback;
    QTreeWidget *m_list;
    QLineEdit *m_search;
    std::array<QLabel *, 11> m_quickPicks{};
    QWidget *m_quickPickStrip = nullptr;
    QPushButton *m_refresh;
};
