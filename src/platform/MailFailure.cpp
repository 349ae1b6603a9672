// Mapping curl's codes and refusals of a mail submission to short Chinese reasons.
#include "platform/MailFailure.h"

#include "text/FailureReason.h"

#include <curl/curl.h>

QString mailFailureReason(int curlCode, const QString &detail) {
    logFailureDetail("mail", detail);
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
