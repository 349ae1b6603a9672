// Courier recognition: proposes the company of a tracking number on the add page.
#pragma once

#include <QObject>

class CourierStore;
class QPushButton;
class WebClient;

class Recognition final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Recognition)

public:
    // caption: the add page's company picker, which shows the proposal or a status text.
    Recognition(WebClient &web, const QString &serviceAddress, CourierStore &couriers, QPushButton *caption,
                QObject *parent);

    // Asks the recognition service, when one is set, about a number of ten or more characters. Only the
    // answer to the newest request is shown; older answers that arrive later are ignored.
    void recognise(const QString &number);

private:
    WebClient &m_web;
    // The window's, changed when the user saves the services.
    const QString &m_serviceAddress;
    CourierStore &m_couriers;
    QPushButton *m_caption;
    quint64 m_latest = 0;
};
