// Parcel selection.
#include "book/ParcelSelection.h"

#include "book/ParcelPicker.h"
#include "book/StatusPanel.h"
#include "shell/WindowState.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/StoreError.h"
#include "tracking/TrackingQuery.h"

ParcelSelection::ParcelSelection(WindowState &state, TrackingQuery &query, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_query(query) {}

void ParcelSelection::select() {
    m_state.hidePages();
    m_state.lock();
    CurrentParcel &current = m_state.current;
    try {
        // Entries carry no key: the first parcel with the picked goods text becomes current.
        const QList<ParcelRow> rows = m_state.parcels->byGoods(m_state.picker->currentText());
        if (!rows.isEmpty()) {
            const ParcelRow &row = rows.first();
            current.company = row.company;
            current.number = row.number;
            current.goods = row.goods;
            current.storedCount = row.num;
            current.id = QString::number(row.id);
        }
        if (const std::optional<CourierRow> courier = m_state.couriers->byName(current.company)) {
            current.companyCode = courier->code;
        }
    } catch (const StoreError &error) {
        m_state.setHint(QStringLiteral("快递信息读取失败!错误原因") + error.description());
        m_state.unlock();
        return;
    }
    m_state.statusPanel->reset();
    const int index = m_state.picker->currentIndex();
    current.pickerPosition = QString::number(index);
    if (index != m_state.counters[counter::rememberedPickerIndex]) {
        m_state.query.rowCount = 0;
        m_state.counters[counter::rememberedPickerIndex] = static_cast<std::int16_t>(index);
    }
    m_query.cx();
}
