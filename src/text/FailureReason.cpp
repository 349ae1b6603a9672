// Mapping library failures to short Chinese reasons.
#include "text/FailureReason.h"

#include <QDebug>

#include <cerrno>

namespace {

void logDetail(const char *kind, const QString &detail) {
    if (!detail.isEmpty()) {
        qWarning("%s: %s", kind, qPrintable(detail));
    }
}

// The errno values whose wording Qt's errorString carries and that have a reason of their own.
constexpr int knownFileErrors[] = {ENOSPC, EDQUOT, EACCES, EPERM,  ENOENT,       ENOTDIR, EISDIR,
                                   EROFS,  EEXIST, EIO,    EMFILE, ENAMETOOLONG, ELOOP};

} // namespace

QString transferFailureReason(QNetworkReply::NetworkError error, const QString &detail) {
    logDetail("transfer", detail);
    switch (error) {
    case QNetworkReply::NoError:
        return QString();
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("连接超时");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("请求已中止");
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::UnknownProxyError:
        return QStringLiteral("无法连接服务器");
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return QStringLiteral("服务器断开了连接");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("安全连接失败");
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("服务器拒绝");
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentGoneError:
        return QStringLiteral("服务器上没有这一页");
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("服务器转向有误");
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return QStringLiteral("服务器出错");
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentReSendError:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::UnknownContentError:
        return QStringLiteral("服务器的回答无法识别");
    }
    return QStringLiteral("网络出错");
}

QString busFailureReason(const QString &errorName, const QString &detail) {
    logDetail("D-Bus", detail.isEmpty() ? errorName : errorName + QStringLiteral(" ") + detail);
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

QString fileFailureReason(int systemError, FileAccess access, const QString &detail) {
    logDetail("file", detail);
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘已满");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case ENOENT:
        return access == FileAccess::Write ? QStringLiteral("文件夹不存在") : QStringLiteral("文件不存在");
    case ENOTDIR:
        return QStringLiteral("路径中有一项不是文件夹");
    case EISDIR:
        return QStringLiteral("这是一个文件夹，不是文件");
    case EROFS:
        return QStringLiteral("磁盘只读");
    case EEXIST:
        return QStringLiteral("文件已存在");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        return QStringLiteral("系统资源不足");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case ELOOP:
        return QStringLiteral("符号链接过多");
    default:
        break;
    }
    return access == FileAccess::Write ? QStringLiteral("文件写入失败") : QStringLiteral("文件读取失败");
}

QString fileFailureReason(QFileDevice::FileError error, const QString &errorString, FileAccess access) {
    for (const int systemError : knownFileErrors) {
        if (errorString == qt_error_string(systemError)) {
            return fileFailureReason(systemError, access, errorString);
        }
    }
    logDetail("file", errorString);
    switch (error) {
    case QFileDevice::NoError:
        return QString();
    case QFileDevice::ResourceError:
        // Qt reports a write that found the disk full as a resource error.
        return QStringLiteral("磁盘已满或系统资源不足");
    case QFileDevice::PermissionsError:
        return QStringLiteral("没有权限");
    case QFileDevice::ReadError:
        return QStringLiteral("文件读取失败");
    case QFileDevice::WriteError:
        return QStringLiteral("文件写入失败");
    case QFileDevice::OpenError:
        return QStringLiteral("文件无法打开");
    case QFileDevice::AbortError:
        return QStringLiteral("操作已中止");
    case QFileDevice::TimeOutError:
        return QStringLiteral("操作超时");
    case QFileDevice::RemoveError:
        return QStringLiteral("文件无法删除");
    case QFileDevice::RenameError:
        return QStringLiteral("文件无法改名");
    case QFileDevice::PositionError:
    case QFileDevice::ResizeError:
    case QFileDevice::CopyError:
    case QFileDevice::UnspecifiedError:
    case QFileDevice::FatalError:
        break;
    }
    return access == FileAccess::Write ? QStringLiteral("文件写入失败") : QStringLiteral("文件读取失败");
}
