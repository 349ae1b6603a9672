// Mapping library failures to short Chinese reasons.
#include "text/FailureReason.h"

#include <QDebug>
#include <QRegularExpression>

#include <curl/curl.h>
#include <sqlite3.h>

#include <algorithm>
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
    // The library names the address it was asked for, and the query of a tracking address carries the
    // account and its keys: an address is logged without its user, query and fragment. A decoded value
    // may hold spaces, so the query runs to the library's " - " separator or the end.
    static const QRegularExpression secrets(
        QStringLiteral(R"(([a-zA-Z][a-zA-Z0-9+.-]*://)(?:[^\s/?#@]*@)?([^\s?#]*)(?:[?#].*?(?= - |$))?)"));
    logDetail("transfer", QString(detail).replace(secrets, QStringLiteral("\\1\\2")));
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

QString storeFailureReason(int resultCode, int systemError, const QString &detail) {
    logDetail("database", detail);
    switch (resultCode & 0xff) {
    case SQLITE_OK:
        return QString();
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("文件已损坏");
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return QStringLiteral("没有权限");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL:
        return QStringLiteral("快递列表正被其他程序使用");
    case SQLITE_CANTOPEN:
        return systemError != 0 ? fileFailureReason(systemError, FileAccess::Read)
                                : QStringLiteral("文件无法打开");
    case SQLITE_IOERR:
        return systemError != 0 ? fileFailureReason(systemError, FileAccess::Read)
                                : QStringLiteral("磁盘读写出错");
    case SQLITE_NOMEM:
        return QStringLiteral("系统资源不足");
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return QStringLiteral("操作已中止");
    case SQLITE_TOOBIG:
    case SQLITE_NOLFS:
        return QStringLiteral("数据太大");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("与已有的数据冲突");
    default:
        break;
    }
    return QStringLiteral("数据库出错");
}

QString mailFailureReason(int curlCode, const QString &detail) {
    logDetail("mail", detail);
    // curl names the refused step in its text ("RCPT failed: 550") and not in its code.
    if (detail.startsWith(QLatin1StringView("RCPT failed"))) {
        return QStringLiteral("邮件服务器拒绝了收件人");
    }
    if (detail.startsWith(QLatin1StringView("MAIL failed"))) {
        return QStringLiteral("邮件服务器拒绝了发件人");
    }
    if (detail.startsWith(QLatin1StringView("DATA failed"))) {
        return QStringLiteral("邮件服务器拒绝了邮件");
    }
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_OK:
        return QString();
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QStringLiteral("找不到邮件服务器");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("无法连接邮件服务器");
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("邮件服务器拒绝登录,请检查用户名和密码");
    case CURLE_REMOTE_ACCESS_DENIED:
        return QStringLiteral("邮件服务器拒绝");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("邮件服务器没有及时应答");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("邮件服务器不支持加密连接,未发送以免密码明文传输");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        return QStringLiteral("与邮件服务器的加密连接失败");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QStringLiteral("邮件服务器断开了连接");
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("邮件服务器的回答无法识别");
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QStringLiteral("邮件服务器地址有误");
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("发送已中止");
    case CURLE_OUT_OF_MEMORY:
        return QStringLiteral("系统资源不足");
    default:
        break;
    }
    return QStringLiteral("邮件发送失败");
}

QString argumentsFailureReason(const QList<QCommandLineOption> &options, const QStringList &arguments) {
    const auto named = [&options](const QString &name) -> const QCommandLineOption * {
        const auto found =
            std::find_if(options.cbegin(), options.cend(),
                         [&name](const QCommandLineOption &option) { return option.names().contains(name); });
        return found == options.cend() ? nullptr : &*found;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1StringView("--")) {
            break;
        }
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1StringView("-")) {
            continue;
        }
        const qsizetype dashes = argument.startsWith(QLatin1StringView("--")) ? 2 : 1;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString given = equals < 0 ? argument : argument.left(equals);
        const QString name = given.mid(dashes);
        const QCommandLineOption *option = named(name);
        // "-hv" is -h and -v.
        if (!option && dashes == 1 && equals < 0 &&
            std::all_of(name.cbegin(), name.cend(), [&named](QChar letter) {
                const QCommandLineOption *each = named(QString(letter));
                return each && each->valueName().isEmpty();
            })) {
            continue;
        }
        if (!option) {
            return QStringLiteral("不认识的选项:") + given;
        }
        const bool takesValue = !option->valueName().isEmpty();
        if (!takesValue && equals >= 0) {
            return QStringLiteral("选项 %1 后面不能带值").arg(given);
        }
        if (takesValue && equals < 0) {
            if (i + 1 == arguments.size()) {
                return QStringLiteral("选项 %1 后缺少%2").arg(given, option->valueName());
            }
            ++i;
        }
    }
    return QStringLiteral("参数有误");
}
