// The add page's company picker, which shows what recognition makes of the newest number typed.
#include "book/Recognition.h"

#include "tracking/CourierRecognition.h"

#include <QPushButton>

Recognition::Recognition(WebClient &web, const QString &serviceAddress, CourierStore &couriers,
                         QPushButton *caption, QObject *parent)
    : QObject(parent)
    , m_web(web)
    , m_serviceAddress(serviceAddress)
    , m_couriers(couriers)
    , m_caption(caption) {}

void Recognition::recognise(const QString &number) {
    // Without a recognition service the user picks the company by hand.
    if (!recognitionAsks(m_serviceAddress, number)) {
        return;
    }
    m_caption->setText(QStringLiteral("正在检测快递"));
    const quint64 request = ++m_latest;
    recogniseCourier(m_web, m_serviceAddress, m_couriers, number, this,
                     [this, request](const CourierGuess &guess) {
                         // An empty answer leaves the caption as it is.
                         if (request == m_latest && guess.kind != CourierGuess::Kind::Silent) {
                             m_caption->setText(guess.text());
                         }
                     });
}
