// Reading the user's settings once, and every change stored before it is announced.
#include "tracker/UserSettings.h"

namespace {

QString SettingsRow::*fieldOf(SettingColumn column) {
    switch (column) {
    case SettingColumn::Address:
        return &SettingsRow::address;
    case SettingColumn::Mail:
        return &SettingsRow::mail;
    case SettingColumn::Sound:
        return &SettingsRow::sound;
    case SettingColumn::Drag:
        return &SettingsRow::drag;
    case SettingColumn::CloseOnPress:
        return &SettingsRow::closeOnPress;
    case SettingColumn::Balloon:
        return &SettingsRow::balloon;
    case SettingColumn::DefaultQuery:
        return &SettingsRow::defaultQuery;
    case SettingColumn::AutoRecognition:
        return &SettingsRow::autoRecognition;
    }
    return &SettingsRow::address;
}

} // namespace

UserSettings::UserSettings(Database &db, QObject *parent)
    : QObject(parent)
    , m_store(db)
    , m_progress(db) {}

Outcome<> UserSettings::load() {
    const Outcome<std::optional<SettingsRow>> row = m_store.load();
    const Outcome<bool> watchOn = m_progress.watchOn();
    const Outcome<int> watchMinutes = m_progress.watchMinutes();
    for (const Failure *failure :
         {row.ok() ? nullptr : &row.failure(), watchOn.ok() ? nullptr : &watchOn.failure(),
          watchMinutes ? nullptr : &watchMinutes.failure()}) {
        if (failure) {
            return *failure;
        }
    }
    m_row = row->value_or(SettingsRow{});
    m_watchOn = *watchOn;
    m_watchMinutes = *watchMinutes;
    m_services = servicesfile::configured();
    m_demoInUse = false;
    Q_EMIT changed(SettingsPart::Switches);
    Q_EMIT changed(SettingsPart::Watch);
    Q_EMIT changed(SettingsPart::Services);
    return {};
}

bool UserSettings::isOn(SettingColumn column) const {
    return storedSwitchIsOn(m_row.*fieldOf(column));
}

Outcome<> UserSettings::setSwitch(SettingColumn column, bool on) {
    const QString word = storedSwitchText(on);
    if (const Outcome<bool> stored = m_store.store(column, word); !stored.ok()) {
        return stored.failure();
    }
    m_row.*fieldOf(column) = word;
    Q_EMIT changed(SettingsPart::Switches);
    return {};
}

Outcome<> UserSettings::setAddress(const QString &address) {
    if (const Outcome<bool> stored = m_store.store(SettingColumn::Address, address); !stored.ok()) {
        return stored.failure();
    }
    m_row.address = address;
    Q_EMIT changed(SettingsPart::Switches);
    return {};
}

Outcome<> UserSettings::setWatch(bool on, int minutes) {
    if (Outcome<> stored = m_progress.setWatch(on, minutes); !stored) {
        return stored;
    }
    m_watchOn = on;
    m_watchMinutes = minutes;
    Q_EMIT changed(SettingsPart::Watch);
    return {};
}

void UserSettings::reloadServices() {
    m_services = servicesfile::configured();
    m_demoInUse = false;
    Q_EMIT changed(SettingsPart::Services);
}

void UserSettings::useDemoServices(const QString &address) {
    ServiceSettings demo;
    demo.addresses.tracking.address = address;
    ServiceAddresses &addresses = demo.addresses;
    addresses.recognition = addresses.site = addresses.makerSite = addresses.time = addresses.probe = address;
    demo = servicesfile::withBuiltInValues(demo);
    demo.mail = m_services.mail;
    m_services = demo;
    m_demoInUse = true;
    Q_EMIT changed(SettingsPart::Services);
}
