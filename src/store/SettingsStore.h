// The settings row: the load and the single-column writes of the switches and the address.
#pragma once

#include "text/Failure.h"

#include <QString>

#include <optional>

enum class SettingColumn { Address, Mail, Sound, Drag, CloseOnPress, Balloon, DefaultQuery, AutoRecognition };

// The first settings row as stored; every column is text.
struct SettingsRow {
    QString address;
    QString mail;
    QString sound;
    QString drag;
    QString closeOnPress;
    QString balloon;
    QString defaultQuery;
    QString autoRecognition;
};

class Database;

class SettingsStore final {
public:
    explicit SettingsStore(Database &db);

    // The first row of table setting, or nothing when the table is empty.
    Outcome<std::optional<SettingsRow>> load();
    // Rewrites one column of the first row; false when there is no row to write.
    Outcome<bool> store(SettingColumn column, const QString &value);

    static QString columnName(SettingColumn column);

private:
    Database &m_db;
};

// A stored switch counts as on when its text contains "是" anywhere.
bool storedSwitchIsOn(const QString &stored);
QString storedSwitchText(bool on);

enum class AddressCheck { Ok, Empty, NoAt, NoKnownDomain };
// The address box's checks before the address is stored.
AddressCheck checkAddress(const QString &address);
// Why the update mail may not go to this stored address, in Chinese, without a full stop; empty when it
// may. The window and the command line mail only an address the settings page would store.
Outcome<> mailAddressAccepted(const QString &address);
