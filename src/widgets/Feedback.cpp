// Hint line and message boxes.
#include "widgets/Feedback.h"

#include "widgets/PlainText.h"

#include <QLabel>

namespace {

const QString messageTitle = QStringLiteral("岚舟系列软件");

} // namespace

Feedback::Feedback(QLabel &hintLine, Dialogs &dialogs)
    : m_hintLine(hintLine)
    , m_dialogs(dialogs) {
    // Service answers and goods texts pass through here; none of them is markup.
    showAsPlainText(m_hintLine);
}

void Feedback::hint(const QString &text) const {
    m_hintLine.setText(text);
}

void Feedback::inform(const QString &text) const {
    m_dialogs.inform(messageTitle, text, MessageIcon::Information);
}

bool Feedback::ask(const QString &text) const {
    return m_dialogs.ask(messageTitle, text, DefaultAnswer::Yes);
}

bool Feedback::askBeforeDestroying(const QString &text) const {
    return m_dialogs.ask(messageTitle, text, DefaultAnswer::No);
}
