// The user's settings in one place: the switches and the notification address (the book's settings row),
// the background watch (the book's preferences) and the services (the variables over the services file).
#pragma once

#include "net/ServiceAddresses.h"
#include "store/ProgressStore.h"
#include "store/SettingsStore.h"
#include "tracker/AlertSwitches.h"

#include <QObject>

class Database;

// Which settings a change touched, so that a follower redoes only its own part.
enum class SettingsPart { Switches, Watch, Services };

class UserSettings final : public QObject, public AlertSwitches {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UserSettings)

public:
    explicit UserSettings(Database &db, QObject *parent = nullptr);

    // Reads the settings row, the watch and the services afresh and says every part changed; on a
    // failure, keeps what was read before.
    Outcome<> load();

    // A switch is on when its stored word says so; none is on while the book has no settings row.
    bool isOn(SettingColumn column) const;
    bool mailOn() const override { return isOn(SettingColumn::Mail); }
    bool soundOn() const override { return isOn(SettingColumn::Sound); }
    bool dragOn() const { return isOn(SettingColumn::Drag); }
    bool closeOnPressOn() const { return isOn(SettingColumn::CloseOnPress); }
    bool balloonOn() const { return isOn(SettingColumn::Balloon); }
    bool defaultQueryOn() const { return isOn(SettingColumn::DefaultQuery); }
    bool autoRecognitionOn() const { return isOn(SettingColumn::AutoRecognition); }
    // As stored; whether mail may go there is addressRefusal()'s to say.
    QString address() const override { return m_row.address; }
    bool watchOn() const { return m_watchOn; }
    int watchMinutes() const { return m_watchMinutes; }
    const ServiceSettings &services() const { return m_services; }
    // Whether the services are the demo's, held for this run only.
    bool demoServicesInUse() const { return m_demoInUse; }

    // Each stores at once, then emits changed. A failure changes nothing here.
    Outcome<> setSwitch(SettingColumn column, bool on);
    Outcome<> setAddress(const QString &address);
    Outcome<> setWatch(bool on, int minutes);
    // After the services file was written: the services are read again, the demo's given up.
    void reloadServices();
    // Every address at the demo service, with the built-in account, for this run only: the services
    // file is left as it is, so it never names a port that is gone once the window closes. The mail
    // settings stay as they were.
    void useDemoServices(const QString &address);

Q_SIGNALS:
    void changed(SettingsPart part);

private:
    SettingsStore m_store;
    ProgressStore m_progress;
    SettingsRow m_row;
    // Off until the book's preferences are read.
    bool m_watchOn = false;
    int m_watchMinutes = 0;
    ServiceSettings m_services;
    bool m_demoInUse = false;
};
