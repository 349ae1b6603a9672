// Tracking answers as the service writes them, for tests that script the loopback service.
#pragma once

#include "net/ServiceAddresses.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTimer>

namespace harness {

// The tracking service at this address with the built-in account, as a user who set only the address has it.
inline TrackingService serviceAt(const QString &address) {
    ServiceSettings settings;
    settings.addresses.tracking.address = address;
    return servicesfile::withBuiltInValues(settings).addresses.tracking;
}

// The limit of the request still waiting under `owner` (one tick a second); nothing while none waits.
inline QTimer *runningAnswerLimit(const QObject &owner) {
    for (QTimer *limit : owner.findChildren<QTimer *>(QStringLiteral("answerLimit"))) {
        if (limit->isActive()) {
            return limit;
        }
    }
    return nullptr;
}

// That many silent seconds for the request waiting under `owner`; a tick with none waiting is no tick.
inline void tickAnswerLimit(const QObject &owner, int seconds = 1) {
    for (int i = 0; i < seconds; ++i) {
        if (QTimer *limit = runningAnswerLimit(owner)) {
            QMetaObject::invokeMethod(limit, "timeout");
        }
    }
}

// A success answer with these (time, progress) entries, newest first.
inline QByteArray answerWith(const QList<QPair<QString, QString>> &entries,
                             const QString &extra = QString()) {
    QString body = QStringLiteral(R"({"status":"1","errCode":"0","message":"")") + extra +
                   QStringLiteral(R"(,"data":[)");
    for (qsizetype i = 0; i < entries.size(); ++i) {
        body += (i ? QStringLiteral(",") : QString()) + QStringLiteral(R"({"time":")") + entries[i].first +
                QStringLiteral(R"(","context":")") + entries[i].second + QStringLiteral(R"("})");
    }
    return (body + QStringLiteral("]}")).toUtf8();
}

inline QByteArray codeAnswer(const char *code) {
    return QByteArray(R"({"status":"0","errCode":")") + code + R"(","message":"x"})";
}

inline const QList<QPair<QString, QString>> &inTransit() {
    static const QList<QPair<QString, QString>> entries = {
        {QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("【杭州市】快件已到达 杭州转运中心")},
        {QStringLiteral("2026-12-07 20:00:00"), QStringLiteral("【上海市】快件已发往 杭州转运中心")},
        {QStringLiteral("2026-12-06 06:45:00"), QStringLiteral("【上海市】圆通速递 已揽收")},
    };
    return entries;
}

} // namespace harness
