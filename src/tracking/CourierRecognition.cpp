// Courier recognition against the recognition service and the directory's recognition codes.
#include "tracking/CourierRecognition.h"

#include "net/WebClient.h"
#include "store/CourierStore.h"
#include "store/StoreError.h"
#include "tracking/TrackingText.h"

namespace {

// Whoever waits for the company is not kept waiting for ever.
constexpr int requestLimitMs = 15000;
constexpr qsizetype shortestRecognised = 10;

CourierGuess guessOf(const QString &body, CourierStore &couriers) {
    if (body.isEmpty()) {
        return {CourierGuess::Kind::Silent, {}};
    }
    if (body.contains(QStringLiteral("503"))) {
        return {CourierGuess::Kind::ServiceBusy, {}};
    }
    const std::optional<QString> code = tracking::recognitionCode(body);
    if (!code) {
        return {CourierGuess::Kind::Failed, {}};
    }
    try {
        const std::optional<CourierRow> courier = couriers.byRecognitionCode(*code);
        return courier ? CourierGuess{CourierGuess::Kind::Named, courier->name}
                       : CourierGuess{CourierGuess::Kind::NotInDirectory, {}};
    } catch (const StoreError &) {
        return {CourierGuess::Kind::Failed, {}};
    }
}

} // namespace

QString CourierGuess::text() const {
    switch (kind) {
    case Kind::Named:
        return company;
    case Kind::NotInDirectory:
        return QStringLiteral("未找到对应快递,请手动选择");
    case Kind::ServiceBusy:
        return QStringLiteral("检测出错,请手动选择或多次刷新");
    case Kind::Failed:
        return QStringLiteral("检测出错,请查询您的单号是否正确");
    case Kind::Silent:
        break;
    }
    return {};
}

bool recognitionAsks(const QString &serviceAddress, const QString &number) {
    return !serviceAddress.isEmpty() && number.size() >= shortestRecognised;
}

void recogniseCourier(WebClient &web, const QString &serviceAddress, CourierStore &couriers,
                      const QString &number, QObject *receiver,
                      std::function<void(const CourierGuess &)> done) {
    web.get(
        tracking::recognitionUrl(serviceAddress, number), receiver,
        [&couriers, done = std::move(done)](const WebReply &reply) {
            // No complete answer (refused, cut off, too long, too late) is a failure.
            done(reply.failure ? CourierGuess{CourierGuess::Kind::Failed, {}}
                               : guessOf(reply.body, couriers));
        },
        WebLimits{requestLimitMs});
}
