// The add page: number, company and goods of a new parcel, stored after the service has answered.
#pragma once

#include "query/CurrentParcel.h"
#include "tracking/TrackingAnswer.h"
#include "widgets/Page.h"

#include <functional>

class AnomalyWatch;
class Feedback;
class ParcelBook;
class ProgressList;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QuerySession;
class Recognition;
class Switches;
class TrackingQuery;
class WebClient;

class AddPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddPage)

public:
    struct Collaborators {
        ParcelBook &book;
        QuerySession &session;
        ProgressList &list;
        const Feedback &feedback;
        TrackingQuery &query;
        AnomalyWatch &watch;
        const Switches &switches;
        WebClient &web;
        QString recognitionAddress;
    };
    // openDirectory opens the directory page over this one, to choose the company.
    AddPage(Collaborators collaborators, std::function<void()> openDirectory, QWidget *parent);

    // What the toolbar does before it shows the page: both boxes empty, no company chosen.
    void reset();
    void setNumber(const QString &number);
    // The company chosen in the directory.
    void chooseCompany(const QString &name);

private:
    void numberChanged(const QString &text);
    // The start button: checks the input, asks the service, and lets its answer decide. The
    // current parcel stays as it was until the new one is stored and picked.
    void add();
    void answered(const CurrentParcel &parcel, const tracking::TrackingAnswer &answer);
    // Stores the parcel and reloads the picker; throws StoreError.
    void storeNew(const CurrentParcel &parcel);
    // Lists every stored parcel whose number contains the typed one, and queries the first.
    void listDuplicates(const QString &number);
    void commonEnd();

    Collaborators m_with;
    QComboBox *m_number;
    QPushButton *m_recognise;
    QPushButton *m_company;
    QLineEdit *m_goods;
    QLabel *m_tip;
    QPushButton *m_start;
    Recognition *m_recognition;
};
