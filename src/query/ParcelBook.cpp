// The current parcel and the book operations the flows share.
#include "query/ParcelBook.h"

#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/StoreError.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"

ParcelBook::ParcelBook(ParcelStore &parcels, CourierStore &couriers, ParcelPicker &picker,
                       const Feedback &feedback)
    : m_parcels(parcels)
    , m_couriers(couriers)
    , m_picker(picker)
    , m_feedback(feedback) {}

void ParcelBook::select(const QString &id, int pickerPosition) {
    CurrentParcel next = m_current;
    if (!id.isEmpty()) {
        if (const std::optional<ParcelRow> row = m_parcels.byId(id)) {
            next.company = row->company;
            next.number = row->number;
            next.goods = row->goods;
            next.storedCount = row->num;
            next.id = QString::number(row->id);
        }
    }
    if (const std::optional<CourierRow> courier = m_couriers.byName(next.company)) {
        next.companyCode = courier->code;
    }
    next.pickerPosition = QString::number(pickerPosition);
    m_current = next;
    m_shownStatus.reset();
}

bool ParcelBook::reloadPicker() const {
    try {
        m_picker.sX(m_parcels);
        return true;
    } catch (const StoreError &error) {
        m_feedback.hint(QStringLiteral("快递列表读取失败!错误原因") + error.description());
        return false;
    }
}

bool ParcelBook::deleteCurrent() const {
    try {
        m_parcels.remove(m_current.id);
    } catch (const StoreError &error) {
        m_feedback.inform(QStringLiteral("快递信息删除失败!错误原因") + error.description());
        return false;
    }
    m_feedback.inform(QStringLiteral("快递信息已删除!"));
    return true;
}
