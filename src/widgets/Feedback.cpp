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
    ++m_hintsSaid;
    m_said = text;
    m_hintLine.setText(m_said + m_notice);
}

void Feedback::standNotice(const QString &notice) const {
    m_said.clear();
    m_notice = notice;
    m_hintLine.setText(m_notice);
}

void Feedback::endNotice() const {
    m_notice.clear();
    m_hintLine.setText(m_said);
}

void Feedback::hintUnlessNewer(const QString &text, quint64 asked) const {
    if (m_hintsSaid == asked) {
        hint(text);
    }
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
