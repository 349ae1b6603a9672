// A failed mail submission told in Chinese; curl's own words go to the log.
#pragma once

#include <QString>

// A mail submission that failed with this curl code; detail is curl's own text, which also tells
// which step of the conversation the server refused.
QString mailFailureReason(int curlCode, const QString &detail = {});
