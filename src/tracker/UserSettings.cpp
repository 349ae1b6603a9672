// Reading the user's settings once, and every change stored before it is announced.
#include "tracker/UserSettings.h"

#include "store/Database.h"

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
    , m_db(db)
    , m_store(db)
    , m_progress(db) {}

void UserSettings::load() {
    SettingsRow row = m_store.load().value_or(SettingsRow{});
    const bool watchOn = m_progress.watchOn();
    const int watchMinutes = m_progress.watchMinutes();
    m_row = std::move(row);
    m_watchOn = watchOn;
    m_watchMinutes = watchMinutes;
    m_services = servicesfile::configured();
    m_demoInUse = false;
    Q_EMIT changed(SettingsPart::Switches);
    Q_EMIT changed(SettingsPart::Watch);
    Q_EMIT changed(SettingsPart::Services);
}

bool UserSettings::isOn(SettingColumn column) const {
    return storedSwitchIsOn(m_row.*fieldOf(column));
}

void UserSettings::setSwitch(SettingColumn column, bool on) {
    const QString word = storedSwitchText(on);
    m_store.store(column, word);
    m_row.*fieldOf(column) = word;
    Q_EMIT changed(SettingsPart::Switches);
}

void UserSettings::setAddress(const QString &address) {
    m_store.store(SettingColumn::Address, address);
    m_row.address = address;
    Q_EMIT changed(SettingsPart::Switches);
}

void UserSettings::setWatch(bool on, int minutes) {
    // Both or neither: a watch half stored would tick at an interval the user never chose.
    Transaction transaction(m_db);
    m_progress.setWatchOn(on);
    m_progress.setWatchMinutes(minutes);
    transaction.commit();
    m_watchOn = on;
    m_watchMinutes = minutes;
    Q_EMIT changed(SettingsPart::Watch);
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
