// Mapping the network library's transfer errors to short Chinese reasons.
#include "platform/TransferFailure.h"

#include "text/FailureReason.h"

#include <QRegularExpression>

QString transferFailureReason(QNetworkReply::NetworkError error, const QString &detail) {
    // The library names the address it was asked for, and the query of a tracking address carries the
    // account and its keys: an address is logged without its user, query and fragment. A decoded value
    // may hold spaces, so the query runs to the library's " - " separator or the end.
    static const QRegularExpression secrets(
        QStringLiteral(R"(([a-zA-Z][a-zA-Z0-9+.-]*://)(?:[^\s/?#@]*@)?([^\s?#]*)(?:[?#].*?(?= - |$))?)"));
    logFailureDetail("transfer", QString(detail).replace(secrets, QStringLiteral("\\1\\2")));
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
