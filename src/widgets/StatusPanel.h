// The status panel: four captions and the four value fields of the parcel picked last, with its pickup
// code or the day it is expected below them.
#pragma once

#include "tracking/DeliveryEstimate.h"
#include "tracking/ProgressReport.h"

#include <QFrame>

class QLabel;

class StatusPanel final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusPanel)

public:
    explicit StatusPanel(QWidget *parent);

    // Puts "未查询" back into company, parcel status, update status and transit time, in that order,
    // with the update status in white; no pickup code, no expected day.
    void reset();
    void showCompany(const QString &company);
    // The delivery status, the transit time and the pickup code ("取件码 8-2-1234") of a parse.
    void showProgress(const tracking::ProgressReport &report);
    // "预计 12月9日 送达", or nothing.
    void showEstimate(const std::optional<DeliveryEstimate> &estimate);
    // "有更新" in red, "无更新" and "已签收" in white.
    void showUpdate(tracking::UpdateState state);

protected:
    // The dark panel with rounded corners, so that the white "无更新" and "已签收" can be read.
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *parcelStatus() const { return m_fields[2]; }
    QLabel *updateStatus() const { return m_fields[3]; }
    QLabel *transitTime() const { return m_fields[5]; }
    QLabel *company() const { return m_fields[7]; }

    // Elements 0, 1, 4, 6 are captions, 2, 3, 5, 7 values, as in the label array Label12.
    QLabel *m_fields[8] = {};
    QLabel *m_pickupCode;
    QLabel *m_estimate;
};
