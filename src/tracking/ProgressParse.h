// Entry counting and the deferred parse that fills the progress list and the status panel.
#pragma once

#include <QObject>

class ChangeDetection;
struct WindowState;

class ProgressParse final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressParse)

public:
    ProgressParse(WindowState &state, ChangeDetection &changes, QObject *parent);

    // `hx2`: counts the entries of the answer and arms Timer1 when there is at least one; the
    // parse then runs 100 ms later, so the window repaints first. Returns the count.
    int hx2();

private:
    // Tick of Timer1.
    void parse();
    // `ql`: forgets the parsed answer.
    void ql();

    WindowState &m_state;
    ChangeDetection &m_changes;
};
