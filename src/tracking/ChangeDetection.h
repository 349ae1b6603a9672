// Change detection: new progress is shown, stored in the parcel row and announced.
#pragma once

#include <QObject>

class MailAlert;
struct WindowState;

class ChangeDetection final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChangeDetection)

public:
    ChangeDetection(WindowState &state, MailAlert &mail, QObject *parent);

    // `gxtj`: compares the row count with the stored count after every parse.
    void gxtj();

private:
    WindowState &m_state;
    MailAlert &m_mail;
};
