// The clock setter: the system time service over the system bus, then clock_settime.
#include "platform/SystemClockSetter.h"

#include "platform/BusFailure.h"
#include "platform/StandardBus.h"
#include "text/FailureReason.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QObject>

#include <cerrno>
#include <ctime>
#include <optional>

namespace {

// Long enough for a person to answer the authorisation prompt.
constexpr int serviceTimeoutMs = 25000;

Outcome<> setDirectly(qint64 microseconds) {
    timespec moment{};
    moment.tv_sec = static_cast<time_t>(microseconds / 1000000);
    moment.tv_nsec = static_cast<long>(microseconds % 1000000) * 1000;
    if (clock_settime(CLOCK_REALTIME, &moment) == 0) {
        return {};
    }
    const int error = errno;
    if (error == EPERM) {
        return Failure{fileFailureReason(error, FileAccess::Write, qt_error_string(error)), {}};
    }
    qWarning("clock_settime: %s", qPrintable(qt_error_string(error)));
    return Failure{QStringLiteral("无法设置系统时间"), qt_error_string(error)};
}

// The time service did not set the clock; setting it directly takes no time, so it happens here.
void setDirectlyAfter(const QString &serviceFailure, qint64 microseconds, const ClockSetDone &done) {
    const Outcome<> direct = setDirectly(microseconds);
    if (direct) {
        done(direct);
        return;
    }
    done(Failure{
        QStringLiteral("系统时间服务：%1；直接设置：%2").arg(serviceFailure, direct.failure().reason), {}});
}

void askTimeService(const QDBusConnection &bus, qint64 microseconds, QObject *context,
                    const ClockSetDone &done) {
    if (!bus.isConnected()) {
        const QDBusError error = bus.lastError();
        setDirectlyAfter(busFailureReason(error.name(), error.message()), microseconds, done);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    // usec_utc, relative, interactive: an absolute time, and the service may ask the user.
    call << microseconds << false << true;
    auto *answer = new QDBusPendingCallWatcher(bus.asyncCall(call, serviceTimeoutMs), context);
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, context,
                     [microseconds, done](QDBusPendingCallWatcher *reply) {
                         reply->deleteLater();
                         if (!reply->isError()) {
                             done({});
                             return;
                         }
                         const QDBusError error = reply->error();
                         setDirectlyAfter(busFailureReason(error.name(), error.message()), microseconds,
                                          done);
                     });
}

} // namespace

void SystemClockSetter::set(const QDateTime &moment, QObject *context, ClockSetDone done) {
    if (!moment.isValid() || moment.toMSecsSinceEpoch() < 0) {
        QMetaObject::invokeMethod(
            context,
            [done = std::move(done)] {
                done(Failure{QStringLiteral("要设置的时间无效"), {}});
            },
            Qt::QueuedConnection);
        return;
    }
    const qint64 microseconds = moment.toMSecsSinceEpoch() * 1000;
    standardbus::connectAside(QDBusConnection::SystemBus, context,
                              [microseconds, context, done = std::move(done)](const QDBusConnection &bus) {
                                  askTimeService(bus, microseconds, context, done);
                              });
}
