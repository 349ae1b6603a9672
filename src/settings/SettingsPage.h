// The settings page: the seven switches, the notification address, the loop and timed panels.
#pragma once

#include "store/SettingsStore.h"
#include "text/Failure.h"
#include "widgets/Page.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UserSettings;

// The controls of the loop and timed panels and the calibration button, run by their own flows.
struct QueryPanels {
    QGroupBox *timedPanel = nullptr;
    QComboBox *hour = nullptr;
    QComboBox *minute = nullptr;
    QPushButton *timedStartStop = nullptr;
    QPushButton *toLoopPanel = nullptr;
    QGroupBox *loopPanel = nullptr;
    QComboBox *interval = nullptr;
    QPushButton *loopStartStop = nullptr;
    QPushButton *toTimedPanel = nullptr;
    QPushButton *calibrate = nullptr;
};

// A view of the user's settings: it shows the switches and the address and writes them back.
class SettingsPage final : public Page {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsPage)

public:
    // hint writes the main window's hint line.
    SettingsPage(std::function<void(const QString &)> hint, QWidget *parent);

    // Shows the settings and follows their changes; from then on a click on a switch stores it at
    // once. Store failures go to the hint line.
    void showSettings(UserSettings &settings);
    // Fills the hour, minute and interval pickers of the timed and loop panels.
    void fillTimePickers();

    QueryPanels panels() const;

Q_SIGNALS:
    void promotionLinkClicked();
    // "查询服务": the user wants to edit the services.
    void servicesClicked();

protected:
    // The close box closes only when the address may be stored; hiding stores it.
    void closeBoxClicked() override;
    void hideEvent(QHideEvent *event) override;

private:
    QCheckBox *addSwitch(const QString &objectName, const QString &caption, QRect geometry,
                         SettingColumn column);
    void storeSwitch(QCheckBox *box, SettingColumn column);
    // The boxes as the settings hold the switches, without storing them again.
    void showSwitches();
    // The address as it is stored ("无" with mail off); refused when it is not an address.
    Outcome<QString> addressToStore(bool focusOnError);
    void saveAddress();

    std::function<void(const QString &)> m_hint;
    UserSettings *m_settings = nullptr;
    // Each switch's box and the column it is stored in.
    QList<QPair<QCheckBox *, SettingColumn>> m_switches;

    QCheckBox *m_mail;
    QLineEdit *m_address;
    QCheckBox *m_sound;
    QCheckBox *m_drag;
    QCheckBox *m_closeOnPress;
    QCheckBox *m_balloon;
    QCheckBox *m_defaultQuery;
    QCheckBox *m_autoRecognition;

    QGroupBox *m_timedPanel;
    QComboBox *m_hour;
    QComboBox *m_minute;
    QPushButton *m_timedStartStop;
    QPushButton *m_toLoopPanel;

    QGroupBox *m_loopPanel;
    QComboBox *m_interval;
    QPushButton *m_loopStartStop;
    QPushButton *m_toTimedPanel;

    QPushButton *m_calibrate;
    QLabel *m_promotionLink;
};
