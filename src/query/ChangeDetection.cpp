// Change detection after a parse.
#include "query/ChangeDetection.h"

#include "notify/MailAlert.h"
#include "platform/Platform.h"
#include "settings/Switches.h"
#include "store/ParcelStore.h"
#include "store/StoreError.h"
#include "widgets/Feedback.h"
#include "widgets/StatusPanel.h"

namespace {

// The desktop notification's text: the parcel's goods, then the time and text of its newest entry.
QString notificationBody(const QString &goods, const tracking::ProgressReport &report) {
    QString body = QStringLiteral("您的快递【") + goods + QStringLiteral("】有最新动态");
    if (!report.entries.isEmpty()) {
        body += QStringLiteral("\n") + report.entries.first().time + QLatin1Char(' ') +
                report.entries.first().context;
    }
    return body;
}

} // namespace

ChangeDetection::ChangeDetection(Collaborators collaborators)
    : m_with(std::move(collaborators)) {}

void ChangeDetection::gxtj(const CurrentParcel &parcel, const tracking::ProgressReport &report) {
    const int rows = report.rowCount();
    const tracking::UpdateState state = tracking::updateState(parcel.storedCount, rows, report.status);
    m_with.status.showUpdate(state);
    if (state != tracking::UpdateState::NewProgress) {
        return;
    }
    try {
        m_with.parcels.setCount(parcel.id, rows);
    } catch (const StoreError &error) {
        // Unstored, the same progress would be announced again at every query: no alert now.
        m_with.feedback.hint(QStringLiteral("更新记录保存失败!错误原因") + error.description());
        return;
    }
    if (m_with.switches.soundOn()) {
        m_with.sound.play(m_with.chimeFile);
        m_with.desktop.notify(QStringLiteral("岚舟包裹通"), notificationBody(parcel.goods, report));
    }
    if (m_with.switches.mailOn() && !m_with.switches.address().isEmpty()) {
        m_with.mail.emailgx(parcel.goods, parcel.number, parcel.company, report);
    }
}
