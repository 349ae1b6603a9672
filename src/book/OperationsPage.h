// The operations page: modify, delete and copy the current parcel, and reset its stored progress.
#pragma once

#include "shell/Page.h"

#include <functional>

class QLineEdit;
class QPushButton;
struct WindowState;

class OperationsPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OperationsPage)

public:
    // openDirectory opens the directory page over this one; select runs the parcel selection.
    OperationsPage(WindowState &state, std::function<void()> openDirectory, QWidget *parent);

    // What the toolbar does before it shows the page.
    void fill(const QString &number, const QString &company, const QString &goods);
    QPushButton *companyPicker() const { return m_company; }

private:
    void modify();
    void remove();
    void copy();
    // Resets the stored progress count of the current parcel to 0 and queries it again, so all
    // of its progress is announced once more.
    void resetProgress();
    // Rewrites the picker entry of the current parcel and picks it, which queries the parcel.
    void showAs(const QString &goods);

    WindowState &m_state;
    QLineEdit *m_number;
    QPushButton *m_company;
    QLineEdit *m_goods;
    QPushButton *m_modify;
    QPushButton *m_copy;
    QPushButton *m_delete;
    QPushButton *m_reset;
};
