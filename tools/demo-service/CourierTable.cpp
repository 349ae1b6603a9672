// Reading couriers.tsv: a header line, then name, code, recognition code and phone, tab-separated.
#include "CourierTable.h"

#include <QFile>

#include <algorithm>

CourierTable::CourierTable(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines.at(i).trimmed().split(QLatin1Char('\t'));
        if (fields.size() >= 3 && !fields.at(1).isEmpty()) {
            m_couriers.append({fields.at(0), fields.at(1), fields.at(2)});
        }
    }
}

bool CourierTable::hasCode(const QString &code) const {
    return std::any_of(m_couriers.cbegin(), m_couriers.cend(),
                       [&code](const Courier &courier) { return courier.code == code; });
}

std::optional<Courier> CourierTable::byNameContaining(const QString &word) const {
    for (const Courier &courier : m_couriers) {
        if (courier.name.contains(word)) {
            return courier;
        }
    }
    return std::nullopt;
}
