// The clock setter: the system time service over the system bus, then clock_settime.
#include "platform/SystemClockSetter.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <cerrno>
#include <ctime>
#include <optional>

namespace {

// Long enough for a person to answer the authorisation prompt.
constexpr int serviceTimeoutMs = 25000;

// Each way returns why it failed, or nothing when the clock was set.
std::optional<QString> askTimeService(qint64 microseconds) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return QStringLiteral("无法连接系统总线（%1）").arg(bus.lastError().message());
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    // usec_utc, relative, interactive: an absolute time, and the service may ask the user.
    call << microseconds << false << true;
    const QDBusMessage reply = bus.call(call, QDBus::Block, serviceTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    return QStringLiteral("%1 %2").arg(reply.errorName(), reply.errorMessage()).trimmed();
}

std::optional<QString> setDirectly(qint64 microseconds) {
    timespec moment{};
    moment.tv_sec = static_cast<time_t>(microseconds / 1000000);
    moment.tv_nsec = static_cast<long>(microseconds % 1000000) * 1000;
    if (clock_settime(CLOCK_REALTIME, &moment) == 0) {
        return std::nullopt;
    }
    return qt_error_string(errno);
}

} // namespace

ClockSetResult SystemClockSetter::set(const QDateTime &moment) {
    if (!moment.isValid() || moment.toMSecsSinceEpoch() < 0) {
        return {false, QStringLiteral("要设置的时间无效")};
    }
    const qint64 microseconds = moment.toMSecsSinceEpoch() * 1000;
    const std::optional<QString> serviceFailure = askTimeService(microseconds);
    if (!serviceFailure) {
        return {true, {}};
    }
    const std::optional<QString> directFailure = setDirectly(microseconds);
    if (!directFailure) {
        return {true, {}};
    }
    return {false, QStringLiteral("系统时间服务：%1；直接设置：%2").arg(*serviceFailure, *directFailure)};
}
