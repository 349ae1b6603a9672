// The settings page and the storing of its switches and address.
#include "settings/SettingsPage.h"

#include "tracker/UserSettings.h"

#include "widgets/Placed.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

SettingsPage::SettingsPage(std::function<void(const QString &)> hint, QWidget *parent)
    : Page(1, QStringLiteral("相关设置"), QSize(8535, 4695), 60, parent)
    , m_hint(std::move(hint)) {
    auto *mailFrame = new QFrame(this);
    mailFrame->setObjectName(QStringLiteral("Frame2"));
    mailFrame->setFrameShape(QFrame::StyledPanel);
    mailFrame->setGeometry(16, 44, 262, 66);
    m_mail = new QCheckBox(QStringLiteral("是否启用邮件通知功能"), mailFrame);
    m_mail->setObjectName(QStringLiteral("Check2"));
    m_mail->setGeometry(8, 4, 240, 22);
    m_address = new QLineEdit(QStringLiteral("无"), mailFrame);
    m_address->setObjectName(QStringLiteral("Sendmail"));
    m_address->setAccessibleName(QStringLiteral("通知邮箱地址"));
    m_address->setGeometry(8, 32, 244, 24);
    m_address->setPlaceholderText(QStringLiteral("您的E-mail地址"));
    m_address->setEnabled(false);
    connect(m_mail, &QCheckBox::toggled, this, [this](bool on) {
        m_address->setEnabled(on);
        storeSwitch(m_mail, SettingColumn::Mail);
    });
    m_switches.append({m_mail, SettingColumn::Mail});

    m_sound = addSwitch(QStringLiteral("Check3"), QStringLiteral("快递更新是否启用语音提醒"),
                        {20, 122, 258, 22}, SettingColumn::Sound);
    m_drag = addSwitch(QStringLiteral("Check4"), QStringLiteral("子窗口是否支持拖动"), {20, 146, 258, 22},
                       SettingColumn::Drag);
    m_closeOnPress = addSwitch(QStringLiteral("Check5"), QStringLiteral("单击子窗口自动关闭"),
                               {20, 170, 258, 22}, SettingColumn::CloseOnPress);
    m_balloon = addSwitch(QStringLiteral("Check6"), QStringLiteral("是否启用气泡提示信息"),
                          {20, 194, 258, 22}, SettingColumn::Balloon);
    m_defaultQuery = addSwitch(QStringLiteral("Check7"), QStringLiteral("刷新快递列表后默认查询第一个"),
                               {20, 218, 258, 22}, SettingColumn::DefaultQuery);
    m_autoRecognition = addSwitch(QStringLiteral("Check8"), QStringLiteral("是否启用快递公司自动识别功能"),
                                  {20, 242, 258, 22}, SettingColumn::AutoRecognition);

    const QRect panelPlace(296, 44, 258, 118);
    m_timedPanel = new QGroupBox(QStringLiteral("定时查询功能"), this);
    m_timedPanel->setObjectName(QStringLiteral("Frame4"));
    m_timedPanel->setGeometry(panelPlace);
    placed<QLabel>(QString(), QStringLiteral("请设定时间："), {10, 30, 80, 24}, m_timedPanel);
    m_hour = placed<QComboBox>(QStringLiteral("Combo2"), QString(), {90, 30, 56, 24}, m_timedPanel);
    placed<QLabel>(QString(), QStringLiteral("时"), {150, 30, 16, 24}, m_timedPanel);
    m_minute = placed<QComboBox>(QStringLiteral("Combo3"), QString(), {168, 30, 56, 24}, m_timedPanel);
    placed<QLabel>(QString(), QStringLiteral("分"), {228, 30, 16, 24}, m_timedPanel);
    m_hour->setAccessibleName(QStringLiteral("定时查询的时"));
    m_minute->setAccessibleName(QStringLiteral("定时查询的分"));
    m_timedStartStop = placed<QPushButton>(QStringLiteral("Command1_18"), QStringLiteral("开始定时"),
                                           {10, 72, 110, 30}, m_timedPanel);
    m_toLoopPanel = placed<QPushButton>(QStringLiteral("Command1_17"), QStringLiteral("循环查询"),
                                        {136, 72, 110, 30}, m_timedPanel);

    m_loopPanel = new QGroupBox(QStringLiteral("循环查询功能"), this);
    m_loopPanel->setObjectName(QStringLiteral("Frame6"));
    m_loopPanel->setGeometry(panelPlace);
    placed<QLabel>(QString(), QStringLiteral("每隔"), {10, 30, 30, 24}, m_loopPanel);
    m_interval = placed<QComboBox>(QStringLiteral("Combo4"), QString(), {42, 30, 64, 24}, m_loopPanel);
    placed<QLabel>(QString(), QStringLiteral("分钟自动进行一次查询"), {110, 30, 140, 24}, m_loopPanel);
    m_interval->setAccessibleName(QStringLiteral("循环查询间隔（分钟）"));
    m_loopStartStop = placed<QPushButton>(QStringLiteral("Command1_16"), QStringLiteral("开始循环"),
                                          {10, 72, 110, 30}, m_loopPanel);
    m_toTimedPanel = placed<QPushButton>(QStringLiteral("Command1_15"), QStringLiteral("定时查询"),
                                         {136, 72, 110, 30}, m_loopPanel);
    m_loopPanel->hide();

    m_calibrate = placed<QPushButton>(QStringLiteral("Command3"), QStringLiteral("时间校对"),
                                      {296, 176, 110, 30}, this);
    auto *services = placed<QPushButton>(QStringLiteral("servicesButton"), QStringLiteral("查询服务"),
                                         {422, 176, 110, 30}, this);
    services->setAccessibleName(QStringLiteral("查询服务"));
    services->setToolTip(QStringLiteral("设置快递查询、识别、时间与邮件服务的地址和账号"));
    connect(services, &QPushButton::clicked, this, &SettingsPage::servicesClicked);

    m_promotionLink = new QLabel(QStringLiteral("<a href=\"tui\">定制您的专属快递邮件推广服务</a>"), this);
    m_promotionLink->setObjectName(QStringLiteral("Label22"));
    m_promotionLink->setGeometry(296, 276, 258, 22);
    connect(m_promotionLink, &QLabel::linkActivated, this, &SettingsPage::promotionLinkClicked);
    actsOnClick(m_promotionLink);
}

QCheckBox *SettingsPage::addSwitch(const QString &objectName, const QString &caption, QRect geometry,
                                   SettingColumn column) {
    auto *box = new QCheckBox(caption, this);
    box->setObjectName(objectName);
    box->setGeometry(geometry);
    connect(box, &QCheckBox::toggled, this, [this, box, column] { storeSwitch(box, column); });
    m_switches.append({box, column});
    return box;
}

void SettingsPage::fillTimePickers() {
    QStringList hours;
    for (int hour = 0; hour <= 23; ++hour) {
        hours.append(QString::number(hour));
    }
    QStringList minutes;
    for (int minute = 0; minute <= 59; ++minute) {
        minutes.append(QString::number(minute));
    }
    QStringList intervals;
    for (int interval = 1; interval <= 360; ++interval) {
        intervals.append(QString::number(interval));
    }
    m_hour->addItems(hours);
    m_minute->addItems(minutes);
    m_interval->addItems(intervals);
    m_hour->setCurrentIndex(0);
    m_minute->setCurrentIndex(0);
    m_interval->setCurrentIndex(-1);
}

void SettingsPage::showSettings(UserSettings &settings) {
    m_settings = &settings;
    m_address->setText(settings.address());
    // Checking a box runs its toggle, which stores the word again, as a click would.
    for (const auto &[box, column] : std::as_const(m_switches)) {
        box->setChecked(settings.isOn(column));
    }
    connect(&settings, &UserSettings::changed, this, [this](SettingsPart part) {
        if (part == SettingsPart::Switches) {
            showSwitches();
        }
    });
}

void SettingsPage::showSwitches() {
    for (const auto &[box, column] : std::as_const(m_switches)) {
        const QSignalBlocker quiet(box);
        box->setChecked(m_settings->isOn(column));
    }
    m_address->setEnabled(m_mail->isChecked());
}

void SettingsPage::storeSwitch(QCheckBox *box, SettingColumn column) {
    if (!m_settings) {
        return;
    }
    if (const Outcome<> stored = m_settings->setSwitch(column, box->isChecked()); !stored) {
        m_hint(stored.failure().said(QStringLiteral("设置保存")));
        // The box shows what the book holds, not a click it could not keep.
        showSwitches();
    }
}

void SettingsPage::closeBoxClicked() {
    // A wrong address keeps the page open, with the cursor in the box.
    if (const Outcome<QString> address = addressToStore(true); !address) {
        m_hint(address.failure().reason);
        return;
    }
    hide();
}

void SettingsPage::hideEvent(QHideEvent *event) {
    Page::hideEvent(event);
    // However the page goes (close box, Esc, a toolbar key, a pick, a press on it), what it holds is
    // stored; not while the whole window goes away.
    if (window()->isVisible()) {
        saveAddress();
    }
}

Outcome<QString> SettingsPage::addressToStore(bool focusOnError) {
    if (!m_mail->isChecked()) {
        return QStringLiteral("无");
    }
    const QString address = m_address->text();
    const AddressCheck check = checkAddress(address);
    if (check == AddressCheck::Ok) {
        return address;
    }
    if (focusOnError && check != AddressCheck::NoKnownDomain) {
        m_address->setFocus();
    }
    return Failure{check == AddressCheck::Empty ? QStringLiteral("请输入您的E-mail地址..")
                                                : QStringLiteral("您的E-mail地址输入错误!请您检查!")};
}

void SettingsPage::saveAddress() {
    const Outcome<QString> stored = addressToStore(false);
    if (!stored) {
        m_hint(stored.failure().reason);
        return;
    }
    if (!m_settings) {
        return;
    }
    if (const Outcome<> saved = m_settings->setAddress(*stored); !saved) {
        m_hint(saved.failure().said(QStringLiteral("设置保存")));
        return;
    }
    m_hint(QStringLiteral("设置完毕.."));
}

QueryPanels SettingsPage::panels() const {
    return {m_timedPanel, m_hour,     m_minute,        m_timedStartStop, m_toLoopPanel,
            m_loopPanel,  m_interval, m_loopStartStop, m_toTimedPanel,   m_calibrate};
}
