// The clock text.
#include "text/ClockText.h"

QString clockText(const QDateTime &moment) {
    return moment.toString(QStringLiteral("yyyy-M-d H:mm:ss"));
}
