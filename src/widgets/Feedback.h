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
    // How many hints have been said so far: a late outcome notes it when it is asked for.
    quint64 hintsSaid() const { return m_hintsSaid; }
    // The outcome of something asked for when `hintsSaid` was `asked`: said only while nothing has been
    // said since, so a slow answer never hides what the user did meanwhile.
    void hintUnlessNewer(const QString &text, quint64 asked) const;
    // A notice that stays on the hint line until `endNotice`: hints said meanwhile show with the
    // notice after them (it begins with a blank), so neither hides the other.
    void standNotice(const QString &notice) const;
    // The notice goes; the last hint stays alone.
    void endNotice() const;
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
    // Kept by the const hint and notice: saying something does not change what the window is.
    mutable quint64 m_hintsSaid = 0;
    mutable QString m_said;
    mutable QString m_notice;
};
