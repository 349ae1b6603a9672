// Mapping D-Bus error names to short Chinese reasons.
#include "platform/BusFailure.h"

#include "text/FailureReason.h"

#include <initializer_list>

QString busFailureReason(const QString &errorName, const QString &detail) {
    logFailureDetail("D-Bus", detail.isEmpty() ? errorName : errorName + QStringLiteral(" ") + detail);
    const auto named = [&errorName](std::initializer_list<const char *> names) {
        for (const char *name : names) {
            if (errorName == QLatin1StringView(name)) {
                return true;
            }
        }
        return false;
    };
    if (named({"org.freedesktop.DBus.Error.AccessDenied", "org.freedesktop.DBus.Error.AuthFailed",
               "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
               "org.freedesktop.PolicyKit1.Error.NotAuthorized",
               "org.freedesktop.PolicyKit1.Error.Cancelled"})) {
        return QStringLiteral("没有权限");
    }
    if (named({"org.freedesktop.DBus.Error.NoReply", "org.freedesktop.DBus.Error.Timeout",
               "org.freedesktop.DBus.Error.TimedOut"})) {
        return QStringLiteral("系统服务没有回答");
    }
    if (named({"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
               "org.freedesktop.DBus.Error.UnknownMethod", "org.freedesktop.DBus.Error.UnknownObject",
               "org.freedesktop.DBus.Error.UnknownInterface",
               "org.freedesktop.DBus.Error.Spawn.ServiceNotFound", "org.freedesktop.systemd1.NoSuchUnit"})) {
        return QStringLiteral("系统服务不可用");
    }
    if (named({"org.freedesktop.DBus.Error.Disconnected", "org.freedesktop.DBus.Error.NoServer",
               "org.freedesktop.DBus.Error.FileNotFound", "org.freedesktop.DBus.Error.NoNetwork",
               "org.freedesktop.DBus.Error.BadAddress"})) {
        return QStringLiteral("无法连接系统总线");
    }
    return QStringLiteral("系统服务出错");
}
