// `emailgx`: mails the newest progress entry of the current parcel to the address on the settings page.
#pragma once

#include <QObject>

struct WindowState;

class MailAlert final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MailAlert)

public:
    MailAlert(WindowState &state, QObject *parent);

    // Composes the message from the window as it is now and submits it without blocking the
    // window; the outcome goes to the hint line when the submission ends.
    void emailgx();

private:
    WindowState &m_state;
};
