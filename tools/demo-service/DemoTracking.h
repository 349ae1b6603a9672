// The demo parcels and what the tracking and recognition services answer about them.
#pragma once

#include "CourierTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class HttpRequest;

class DemoTracking final {
public:
    // growthSeconds: how often the in-transit demo parcel gains its next entry.
    DemoTracking(const CourierTable &couriers, double growthSeconds);

    // Empty for the number the service never answers.
    std::optional<QByteArray> trackingAnswer(const HttpRequest &request) const;
    QByteArray recognitionAnswer(const QString &number) const;
    // "number company" for each demo parcel, in the order they were added.
    QStringList parcelNumbers() const;

private:
    struct Step {
        std::chrono::seconds beforeStart;
        QString context;
    };
    struct Parcel {
        QString number;
        Courier courier;
        QList<Step> steps; // oldest first
        bool grows = false;
    };

    void addParcel(const QString &number, const QString &courierWord, QList<Step> steps, bool grows = false);
    const Parcel *parcel(const QString &number) const;
    QByteArray successAnswer(const Parcel &parcel) const;

    const CourierTable &m_couriers;
    QList<Parcel> m_parcels;
    QDateTime m_start;
    QElapsedTimer m_uptime;
    double m_growthSeconds;
};
