// The add page: number, company and goods of a new parcel, stored after the service has answered.
#pragma once

#include "widgets/Page.h"

#include <functional>

class Feedback;
class ParcelBook;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Recognition;
class UserSettings;
class WebClient;

class AddPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddPage)

public:
    struct Collaborators {
        ParcelBook &book;
        const Feedback &feedback;
        const UserSettings &switches;
        WebClient &web;
        // The window's, changed when the user saves the services.
        const QString &recognitionAddress;
    };
    // openDirectory opens the directory page over this one, to choose the company.
    AddPage(Collaborators collaborators, std::function<void()> openDirectory, QWidget *parent);

    // What the toolbar does before it shows the page: both boxes empty, no company chosen.
    void reset();
    // The tracking number the text holds (a pasted message gives the number in it); none empties the box.
    void setNumber(const QString &text);
    // The company chosen in the directory.
    void chooseCompany(const QString &name);
    // "从文本添加": the numbers of a pasted text (this one, when given) listed over the window to add at
    // once.
    void addFromText(const QString &text = QString());

private:
    void numberChanged(const QString &text);
    // The start button: checks the input and hands the new parcel to the tracker, whose answer
    // decides. The current parcel stays as it was until the new one is stored and picked.
    void add();

    Collaborators m_with;
    QComboBox *m_number;
    QPushButton *m_recognise;
    QPushButton *m_company;
    QLineEdit *m_goods;
    QLabel *m_tip;
    QPushButton *m_start;
    QPushButton *m_fromText;
    Recognition *m_recognition;
};
