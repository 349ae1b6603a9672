// The window's seams as a command has them: dialogs answered as Enter would, and the command's clock.
#pragma once

#include "cli/CommandContext.h"
#include "platform/Platform.h"

// Answers the tracker's questions as Enter would (a parcel the service no longer knows is kept); its
// warnings go to the error stream, its notes where the command's notes go.
class TerminalDialogs final : public Dialogs {
public:
    explicit TerminalDialogs(const CommandContext &context)
        : m_context(context) {}
    void inform(const QString &title, const QString &text, MessageIcon icon) override;
    bool ask(const QString &title, const QString &text, DefaultAnswer byDefault) override;
    std::optional<QString> saveFileName(const QString &proposedFile, const QString &filter) override;

private:
    const CommandContext &m_context;
};

// The window's clock, read from the command's; a command never sets the machine's time.
class CommandClock final : public Clock {
public:
    explicit CommandClock(const CommandContext &context)
        : m_context(context) {}
    QDateTime now() const override;
    void setSystemTime(const QDateTime &moment, ClockSetDone done) override;

private:
    const CommandContext &m_context;
};
