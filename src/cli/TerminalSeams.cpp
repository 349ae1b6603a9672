// Dialogs and the clock for the tracker as a command drives it.
#include "cli/TerminalSeams.h"

#include "text/TerminalText.h"

#include <QTimer>

void TerminalDialogs::inform(const QString &, const QString &text, MessageIcon icon) {
    (icon == MessageIcon::Exclamation ? m_context.err
                                      : m_context.note)(terminalSafe(text) + QLatin1Char('\n'));
}

bool TerminalDialogs::ask(const QString &, const QString &, DefaultAnswer byDefault) {
    return byDefault == DefaultAnswer::Yes;
}

std::optional<QString> TerminalDialogs::saveFileName(const QString &, const QString &) {
    return std::nullopt;
}

QDateTime CommandClock::now() const {
    return m_context.now();
}

void CommandClock::setSystemTime(const QDateTime &, ClockSetDone done) {
    QTimer::singleShot(0, [done = std::move(done)] { done(Failure{QStringLiteral("命令行不校准时间")}); });
}
