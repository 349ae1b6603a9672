// A failed transfer told in Chinese; the library's words go to the log without the address's secrets.
#pragma once

#include <QNetworkReply>
#include <QString>

// A transfer that failed; detail is the library's text, logged without the address's user, query and
// fragment.
QString transferFailureReason(QNetworkReply::NetworkError error, const QString &detail = {});
