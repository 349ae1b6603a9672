// The search page: parcels by number or goods, exact or by containment.
#pragma once

#include "widgets/Page.h"

class Feedback;
class ParcelBook;
class QLineEdit;
class QPushButton;
class QRadioButton;

class SearchPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchPage)

public:
    SearchPage(ParcelBook &book, const Feedback &feedback, QWidget *parent);

    // What the toolbar does when it shows the page: by goods, fuzzy, empty box with the focus.
    void reset();

private:
    void search();

    ParcelBook &m_book;
    const Feedback &m_feedback;
    QLineEdit *m_text;
    QRadioButton *m_byNumber;
    QRadioButton *m_byGoods;
    QRadioButton *m_exact;
    QRadioButton *m_fuzzy;
    QPushButton *m_start;
};
