// The operations page: modify, delete and copy the current parcel, and reset its stored progress.
#pragma once

#include "widgets/Page.h"

#include <functional>

class Feedback;
class ParcelBook;
class QLineEdit;
class QPushButton;

class OperationsPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OperationsPage)

public:
    // openDirectory opens the directory page over this one.
    OperationsPage(ParcelBook &book, const Feedback &feedback, std::function<void()> openDirectory,
                   QWidget *parent);

    // What the toolbar does before it shows the page: the current parcel, under the picker's text.
    void fill();
    // The company chosen in the directory.
    void chooseCompany(const QString &name);

private:
    void modify();
    void remove();
    void copy();
    // Resets the stored progress count of the current parcel to 0 and queries it again, so all
    // of its progress is announced once more.
    void resetProgress();
    // Picks the current parcel's entry (showing its goods as stored now), which queries the parcel.
    void pickCurrentAgain();

    ParcelBook &m_book;
    const Feedback &m_feedback;
    QLineEdit *m_number;
    QPushButton *m_company;
    QLineEdit *m_goods;
    QPushButton *m_modify;
    QPushButton *m_copy;
    QPushButton *m_delete;
    QPushButton *m_reset;
};
