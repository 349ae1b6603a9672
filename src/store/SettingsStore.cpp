// The settings row and the rules for its stored words and the notification address.
#include "store/SettingsStore.h"

#include "store/Database.h"
#include "store/StoreError.h"

#include <array>

SettingsStore::SettingsStore(Database &db)
    : m_db(db) {}

QString SettingsStore::columnName(SettingColumn column) {
    switch (column) {
    case SettingColumn::Address:
        return QStringLiteral("通知邮箱");
    case SettingColumn::Mail:
        return QStringLiteral("邮件通知");
    case SettingColumn::Sound:
        return QStringLiteral("语音提示");
    case SettingColumn::Drag:
        return QStringLiteral("支持拖动");
    case SettingColumn::CloseOnPress:
        return QStringLiteral("关闭窗口");
    case SettingColumn::Balloon:
        return QStringLiteral("气泡提示");
    case SettingColumn::DefaultQuery:
        return QStringLiteral("默认查询");
    case SettingColumn::AutoRecognition:
        return QStringLiteral("自动识别");
    }
    return QString();
}

Outcome<std::optional<SettingsRow>> SettingsStore::load() {
    return atTheDoor([&]() -> std::optional<SettingsRow> {
        Statement query =
            m_db.prepare(QStringLiteral("SELECT 通知邮箱, 邮件通知, 语音提示, 支持拖动, 关闭窗口, "
                                        "气泡提示, 默认查询, 自动识别 FROM setting LIMIT 1"));
        if (!query.next()) {
            return std::nullopt;
        }
        return SettingsRow{query.text(0), query.text(1), query.text(2), query.text(3),
                           query.text(4), query.text(5), query.text(6), query.text(7)};
    });
}

Outcome<bool> SettingsStore::store(SettingColumn column, const QString &value) {
    return atTheDoor([&]() -> bool {
        // The row is chosen by position, not by what the column holds, so either stored word is found.
        Statement update =
            m_db.prepare(QStringLiteral("UPDATE setting SET \"") + columnName(column) +
                         QStringLiteral("\" = ? WHERE rowid = (SELECT rowid FROM setting LIMIT 1)"));
        update.bind(1, value).run();
        return m_db.changes() > 0;
    });
}

bool storedSwitchIsOn(const QString &stored) {
    return stored.contains(QStringLiteral("是"));
}

QString storedSwitchText(bool on) {
    return on ? QStringLiteral("是") : QStringLiteral("否");
}

AddressCheck checkAddress(const QString &address) {
    if (address.isEmpty()) {
        return AddressCheck::Empty;
    }
    if (!address.contains(QLatin1Char('@'))) {
        return AddressCheck::NoAt;
    }
    static const std::array<QString, 7> domains = {
        QStringLiteral("com"), QStringLiteral("cn"), QStringLiteral("org"), QStringLiteral("info"),
        QStringLiteral("hk"),  QStringLiteral("me"), QStringLiteral("net")};
    for (const QString &domain : domains) {
        if (address.contains(domain)) {
            return AddressCheck::Ok;
        }
    }
    return AddressCheck::NoKnownDomain;
}

Outcome<> mailAddressAccepted(const QString &address) {
    switch (checkAddress(address)) {
    case AddressCheck::Ok:
        return {};
    case AddressCheck::Empty:
        return Failure{QStringLiteral("邮件通知已开启,但没有填写通知邮箱")};
    case AddressCheck::NoAt:
    case AddressCheck::NoKnownDomain:
        break;
    }
    return Failure{QStringLiteral("通知邮箱“%1”不是有效的E-mail地址").arg(address)};
}
