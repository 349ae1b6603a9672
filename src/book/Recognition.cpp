// Courier recognition against the recognition service and the directory's recognition codes.
#include "book/Recognition.h"

#include "net/WebClient.h"
#include "store/CourierStore.h"
#include "store/StoreError.h"
#include "tracking/TrackingText.h"

#include <QPushButton>

namespace {

const QString failed = QStringLiteral("检测出错,请查询您的单号是否正确");
// The company picker says it is looking until an answer comes, so not for ever.
constexpr int requestLimitMs = 15000;

} // namespace

Recognition::Recognition(WebClient &web, const QString &serviceAddress, CourierStore &couriers,
                         QPushButton *caption, QObject *parent)
    : QObject(parent)
    , m_web(web)
    , m_serviceAddress(serviceAddress)
    , m_couriers(couriers)
    , m_caption(caption) {}

void Recognition::recognise(const QString &number) {
    // Without a recognition service the user picks the company by hand.
    if (number.size() < 10 || m_serviceAddress.isEmpty()) {
        return;
    }
    m_caption->setText(QStringLiteral("正在检测快递"));
    const quint64 request = ++m_latest;
    m_web.get(
        tracking::recognitionUrl(m_serviceAddress, number), this,
        [this, request](const WebReply &reply) {
            if (request != m_latest) {
                return;
            }
            // No complete answer (refused, cut off, too long, too late) is a failure; an
            // empty answer leaves the caption as it is.
            if (reply.failed) {
                m_caption->setText(failed);
                return;
            }
            answered(reply.body);
        },
        WebLimits{requestLimitMs});
}

void Recognition::answered(const QString &body) {
    if (body.isEmpty()) {
        return;
    }
    if (body.contains(QStringLiteral("503"))) {
        m_caption->setText(QStringLiteral("检测出错,请手动选择或多次刷新"));
        return;
    }
    const std::optional<QString> code = tracking::recognitionCode(body);
    if (!code) {
        m_caption->setText(failed);
        return;
    }
    try {
        const std::optional<CourierRow> courier = m_couriers.byRecognitionCode(*code);
        m_caption->setText(courier ? courier->name : QStringLiteral("未找到对应快递,请手动选择"));
    } catch (const StoreError &) {
        m_caption->setText(failed);
    }
}
