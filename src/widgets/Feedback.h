// How the window speaks to the user: the hint line, and message boxes titled "岚舟系列软件".
#pragma once

#include "platform/Platform.h"

#include <QString>

class QLabel;

class Feedback final {
public:
    Feedback(QLabel &hintLine, Dialogs &dialogs);

    // The one line on which operations report progress and outcome.
    void hint(const QString &text) const;
    // A message box with the information icon and one OK button.
    void inform(const QString &text) const;
    // A Yes/No question with the same title and icon; true on Yes. Enter answers Yes.
    bool ask(const QString &text) const;
    // The same for a question whose Yes destroys something: Enter and Esc both answer No.
    bool askBeforeDestroying(const QString &text) const;
    // For the few messages with a title or icon of their own.
    Dialogs &dialogs() const { return m_dialogs; }

private:
    QLabel &m_hintLine;
    Dialogs &m_dialogs;
};
