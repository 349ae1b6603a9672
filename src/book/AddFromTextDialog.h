// "从文本添加": the tracking numbers of a pasted text listed with their companies and goods, and the
// ticked ones added one after another as the add page adds one.
#pragma once

#include <QDialog>
#include <QHash>
#include <QStringList>

class AddSeries;
class ParcelBook;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;
class WebClient;
struct AddResult;
struct CourierGuess;
struct FoundNumber;

class AddFromTextDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddFromTextDialog)

public:
    struct Collaborators {
        ParcelBook &book;
        WebClient &web;
        // The window's, changed when the user saves the services.
        const QString &recognitionAddress;
    };
    AddFromTextDialog(Collaborators collaborators, QWidget *parent);

    // Puts the text in the box and lists its numbers at once.
    void setText(const QString &text);

    // At most this many numbers are listed: a text holding more is no order mail.
    static constexpr int mostListed = 100;

public Q_SLOTS:
    // Closing stops the series: the add under way ends in the window, the rest are not added.
    void reject() override;

private:
    // What the user made of a number found, kept while the text changes around it.
    struct Choice {
        bool mobileLike = false;
        bool inBook = false;
        bool ticked = false;
        QString company;
        QString goods;
        QString note;
        bool recognising = false;
    };

    // Lists the numbers of the box's text, keeping what was chosen for those found before.
    void findNumbers();
    // A number seen for the first time: ticked unless it looks like a mobile number or the book holds
    // it, and its company asked of the recognition service.
    Choice firstChoice(const FoundNumber &found);
    void recognised(const QString &number, const CourierGuess &guess);
    // The table's boxes read back into the choices.
    void readChoices();
    void showRows();
    void showRow(int row);
    void addTicked();
    void added(int position, const AddResult &result);
    void finished();
    void setRunning(bool running);

    Collaborators m_with;
    QPlainTextEdit *m_text;
    QTableWidget *m_found;
    QLabel *m_status;
    QPushButton *m_add;
    QTimer *m_findTimer;
    AddSeries *m_series;
    QStringList m_companies;
    // The numbers listed, in the order the text holds them, and what is chosen for every number seen.
    QStringList m_listed;
    QHash<QString, Choice> m_choices;
    // The numbers of the series under way, in its order.
    QStringList m_adding;
    int m_storedCount = 0;
    int m_failedCount = 0;
};
