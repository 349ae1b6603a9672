// The add page: number, company and goods of a new parcel, stored after the service has answered.
#pragma once

#include "shell/Page.h"

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Recognition;
class TrackingQuery;
struct WindowState;

class AddPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddPage)

public:
    // openDirectory opens the directory page over this one, to choose the company.
    AddPage(WindowState &state, TrackingQuery &query, std::function<void()> openDirectory, QWidget *parent);

    // What the toolbar does before it shows the page: both boxes empty, no company chosen.
    void reset();
    void setNumber(const QString &number);
    QPushButton *companyPicker() const { return m_company; }

private:
    void numberChanged(const QString &text);
    // The start button: checks the input, asks the service, and lets its answer decide.
    void add();
    void answered(const QString &number, const QString &company, const QString &goods);
    void storeNew(const QString &number, const QString &company, const QString &goods, bool selectIt);
    // Lists every stored parcel whose number contains the typed one, and queries the first.
    void listDuplicates(const QString &number);
    void commonEnd();

    WindowState &m_state;
    TrackingQuery &m_query;
    QComboBox *m_number;
    QPushButton *m_recognise;
    QPushButton *m_company;
    QLineEdit *m_goods;
    QLabel *m_tip;
    QPushButton *m_start;
    Recognition *m_recognition;
};
