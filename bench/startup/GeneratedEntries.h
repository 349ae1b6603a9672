// The stored answers the benchmarks fill their books with: as many entries as asked, as long as a
// courier's usually are, the newest first.
#pragma once

#include "text/ProgressEntry.h"

#include <QDateTime>
#include <QList>

inline QList<ProgressEntry> generatedEntries(int parcel, int count) {
    const QDateTime newest(QDate(2026, 12, 8), QTime(8, 0));
    QList<ProgressEntry> entries;
    for (int i = 0; i < count; ++i) {
        entries.append(
            {newest.addSecs(-3600LL * (i + parcel % 24)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
             QStringLiteral("【杭州市】快件已到达【杭州转运中心%1】,正在发往【滨江网点】,"
                            "快递员:张师傅,电话:138%2")
                 .arg(i)
                 .arg(parcel, 8, 10, QLatin1Char('0'))});
    }
    return entries;
}
