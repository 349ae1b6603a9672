// The courier directory page: the company list, its search box, quick picks and refresh button.
#pragma once

#include "shell/Page.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class DirectoryPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectoryPage)

public:
    explicit DirectoryPage(QWidget *parent);

    QTreeWidget *list() const { return m_list; }

private:
    QTreeWidget *m_list;
    QLineEdit *m_search;
    std::array<QLabel *, 11> m_quickPicks{};
    QPushButton *m_refresh;
};
