// The delete questions and the row's removal.
#include "tracker/ParcelDeletion.h"

#include "platform/Platform.h"
#include "store/ParcelStore.h"
#include "tracker/AnswerSettlement.h"
#include "tracker/TrackerFailure.h"

namespace {

const QString messageTitle = QStringLiteral("岚舟系列软件");

} // namespace

ParcelDeletion::ParcelDeletion(ParcelStore &parcels, Dialogs &dialogs)
    : m_parcels(parcels)
    , m_dialogs(dialogs) {}

bool ParcelDeletion::confirmUnknownGoes() const {
    return !m_dialogs.ask(messageTitle,
                          QStringLiteral("您好,您当前查询的快递单号已不存在,是否保留?\n\n"
                                         "如果此快递单号是您刚添加不久,建议几小时后再来查询"),
                          DefaultAnswer::Yes) &&
           m_dialogs.ask(messageTitle, QStringLiteral("二次防误操作：确认要删除此快递单号?"),
                         DefaultAnswer::No);
}

Outcome<> ParcelDeletion::remove(ParcelId id) const {
    const Outcome<bool> removed = m_parcels.remove(id);
    if (!removed.ok()) {
        const Failure failure = storeFailure(removed.failure(), QStringLiteral("快递信息删除"));
        m_dialogs.inform(messageTitle, failure.reason, MessageIcon::Information);
        return failure;
    }
    if (!*removed) {
        m_dialogs.inform(messageTitle, parcelGoneText(), MessageIcon::Information);
        return {};
    }
    m_dialogs.inform(messageTitle, QStringLiteral("快递信息已删除!"), MessageIcon::Information);
    return {};
}
