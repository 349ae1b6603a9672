// The services dialog: the file's values in boxes, a trial query, and the file written on "保存".
#include "settings/ServicesDialog.h"

#include "platform/DemoService.h"
#include "tracking/TrackingRequest.h"
#include "widgets/PlainText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// A number and company any tracking service of this kind can be asked about.
const QString sampleCompany = QStringLiteral("yuantong");
const QString sampleNumber = QStringLiteral("3101234567890");

QString verdictOf(const tracking::TrackingAnswer &answer) {
    switch (answer.kind) {
    case tracking::AnswerKind::NoAnswer:
        return QStringLiteral("测试失败:查询服务没有应答,请检查地址和网络");
    case tracking::AnswerKind::Unreadable:
        return QStringLiteral("测试失败:服务有应答,但不是快递查询的答复(没有 errCode)");
    case tracking::AnswerKind::Success:
        return QStringLiteral("测试成功:查询服务应答正常,样例单号有 %1 条物流进度")
            .arg(answer.entries.size());
    case tracking::AnswerKind::NotKnown:
        return QStringLiteral("测试成功:查询服务应答正常(样例单号不存在)");
    case tracking::AnswerKind::Failure:
        return QStringLiteral("测试失败:查询服务答复结果码 %1 %2").arg(answer.code, answer.message);
    }
    return {};
}

} // namespace

ServicesDialog::ServicesDialog(WebClient &web, DemoService &demo, QString file, QWidget *parent)
    : QDialog(parent)
    , m_web(web)
    , m_demo(demo)
    , m_file(std::move(file)) {
    setObjectName(QStringLiteral("servicesDialog"));
    setWindowTitle(QStringLiteral("查询服务"));
    const ServiceSettings stored = servicesfile::read(m_file);
    const TrackingService &tracking = stored.addresses.tracking;
    auto *form = new QFormLayout;
    const auto add = [this, form](const QString &name, const QString &caption, const QString &value) {
        QLineEdit *box = addBox(name, caption, value);
        form->addRow(caption, box);
        return box;
    };
    m_tracking = add(QStringLiteral("trackingAddress"), QStringLiteral("快递查询服务地址"), tracking.address);
    m_accountId = add(QStringLiteral("accountId"), QStringLiteral("账号"), tracking.accountId);
    m_accountKey = add(QStringLiteral("accountKey"), QStringLiteral("账号密钥"), tracking.accountKey);
    m_secondKey = add(QStringLiteral("secondKey"), QStringLiteral("第二密钥"), tracking.secondKey);
    m_recognition = add(QStringLiteral("recognitionAddress"), QStringLiteral("快递公司识别服务地址"),
                        stored.addresses.recognition);
    m_site =
        add(QStringLiteral("siteAddress"), QStringLiteral("官方网站(版本与公告)"), stored.addresses.site);
    m_makerSite =
        add(QStringLiteral("makerAddress"), QStringLiteral("出品方网站"), stored.addresses.makerSite);
    m_time = add(QStringLiteral("timeAddress"), QStringLiteral("时间服务地址"), stored.addresses.time);
    m_probe = add(QStringLiteral("probeAddress"), QStringLiteral("联网检测地址"), stored.addresses.probe);
    m_smtpUrl =
        add(QStringLiteral("smtpUrl"), QStringLiteral("发信服务器(smtp://主机:端口)"), stored.mail.smtpUrl);
    m_mailFrom = add(QStringLiteral("mailFrom"), QStringLiteral("发件人地址"), stored.mail.from);
    m_smtpUser = add(QStringLiteral("smtpUser"), QStringLiteral("发信账号(空则用发件人)"), stored.mail.user);
    m_smtpPassword = add(QStringLiteral("smtpPassword"), QStringLiteral("发信密码"), stored.mail.password);
    m_smtpPassword->setEchoMode(QLineEdit::Password);
    m_tracking->setPlaceholderText(QStringLiteral("例如 https://api.example.com"));
    m_accountId->setPlaceholderText(QStringLiteral("空则使用内置账号"));
    // Wide enough that no placeholder is cut.
    for (QLineEdit *box : findChildren<QLineEdit *>()) {
        box->setMinimumWidth(
            std::max(320, box->fontMetrics().horizontalAdvance(box->placeholderText()) + 24));
    }

    QString note =
        QStringLiteral("保存后地址、账号与邮件设置立即生效(正在发送的邮件仍按原设置发完)。\n文件:") + m_file;
    if (const QStringList variables = servicesfile::overridingVariables(); !variables.isEmpty()) {
        note += QStringLiteral("\n以下环境变量优先于此处的设置:") + variables.join(QStringLiteral(", "));
    }
    // A file that could not be read shows empty boxes, and why.
    for (const QString &problem : stored.addresses.problems) {
        note += QLatin1Char('\n') + problem;
    }
    auto *noteLabel = new QLabel(note, this);
    noteLabel->setObjectName(QStringLiteral("servicesNote"));
    noteLabel->setWordWrap(true);
    // The note names the file's path, and the verdict quotes what the service answered.
    showAsPlainText(*noteLabel);
    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("testVerdict"));
    showAsPlainText(*m_verdict);
    m_verdict->setWordWrap(true);
    m_demoNumbers = new QLabel(this);
    m_demoNumbers->setObjectName(QStringLiteral("demoNumbers"));
    m_demoNumbers->setAccessibleName(QStringLiteral("演示单号"));
    showAsPlainText(*m_demoNumbers);
    m_demoNumbers->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_demoNumbers->hide();

    auto *buttons = new QDialogButtonBox(this);
    m_tryDemo = buttons->addButton(QStringLiteral("试用演示服务"), QDialogButtonBox::ActionRole);
    m_tryDemo->setObjectName(QStringLiteral("demoButton"));
    m_tryDemo->setAccessibleName(QStringLiteral("试用演示服务"));
    m_tryDemo->setToolTip(QStringLiteral("在本机启动演示服务,不需要账号;只在本次运行中使用,关闭窗口即停止"));
    m_test = buttons->addButton(QStringLiteral("测试"), QDialogButtonBox::ActionRole);
    m_test->setObjectName(QStringLiteral("testButton"));
    m_test->setAccessibleName(QStringLiteral("测试查询服务"));
    m_save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setAccessibleName(QStringLiteral("保存"));
    QPushButton *cancelButton = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAccessibleName(QStringLiteral("取消"));
    // Enter saves wherever the keyboard is, even on a button that just had the focus; Esc cancels.
    for (QPushButton *button : {m_tryDemo, m_test, cancelButton}) {
        button->setAutoDefault(false);
    }
    m_save->setDefault(true);
    connect(m_tryDemo, &QPushButton::clicked, this, &ServicesDialog::tryDemo);
    connect(m_test, &QPushButton::clicked, this, &ServicesDialog::test);
    connect(m_save, &QPushButton::clicked, this, &ServicesDialog::save);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_demo, &DemoService::ready, this, &ServicesDialog::showDemo);
    connect(&m_demo, &DemoService::failed, this, [this](const Failure &failure) {
        m_tryDemo->setEnabled(true);
        m_verdict->setText(failure.reason);
    });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(noteLabel);
    layout->addWidget(m_verdict);
    layout->addWidget(m_demoNumbers);
    layout->addWidget(buttons);
}

QLineEdit *ServicesDialog::addBox(const QString &objectName, const QString &caption, const QString &value) {
    auto *box = new QLineEdit(value, this);
    box->setObjectName(objectName);
    box->setAccessibleName(caption);
    return box;
}

ServiceSettings ServicesDialog::boxes() const {
    ServiceSettings settings;
    ServiceAddresses &addresses = settings.addresses;
    addresses.tracking = {m_tracking->text(), m_accountId->text(), m_accountKey->text(), m_secondKey->text()};
    addresses.recognition = m_recognition->text();
    addresses.site = m_site->text();
    addresses.makerSite = m_makerSite->text();
    addresses.time = m_time->text();
    addresses.probe = m_probe->text();
    settings.mail = {m_smtpUrl->text(), m_mailFrom->text(), m_smtpUser->text(), m_smtpPassword->text()};
    return settings;
}

Outcome<> ServicesDialog::checkAddresses() const {
    const std::pair<QLineEdit *, AddressKind> addresses[] = {
        {m_tracking, AddressKind::Web},  {m_recognition, AddressKind::Web}, {m_site, AddressKind::Web},
        {m_makerSite, AddressKind::Web}, {m_time, AddressKind::Web},        {m_probe, AddressKind::Web},
        {m_smtpUrl, AddressKind::Mail}};
    for (const auto &[box, kind] : addresses) {
        if (const Outcome<> fits = checkServiceAddress(box->text(), kind); !fits) {
            box->setFocus();
            return Failure{QStringLiteral("“%1”%2").arg(box->accessibleName(), fits.failure().reason)};
        }
    }
    return {};
}

void ServicesDialog::test() {
    // The boxes as they stand, with the built-in account where they leave it out, as a saved file would.
    const TrackingService service = servicesfile::withBuiltInValues(boxes()).addresses.tracking;
    if (!service.isSet()) {
        m_verdict->setText(QStringLiteral("请先填写快递查询服务地址"));
        return;
    }
    if (const Outcome<> fits = checkServiceAddress(service.address, AddressKind::Web); !fits) {
        m_tracking->setFocus();
        m_verdict->setText(
            QStringLiteral("无法测试:“%1”%2").arg(m_tracking->accessibleName(), fits.failure().reason));
        return;
    }
    m_focusBeforeTest = focusWidget();
    m_test->setEnabled(false);
    m_verdict->setText(QStringLiteral("正在测试,请稍候.."));
    auto *request = new TrackingRequest(m_web, service, sampleCompany, sampleNumber, ParcelId(), 0, this);
    m_request = request;
    connect(request, &TrackingRequest::answered, this,
            [this, request](const tracking::TrackingAnswer &answer) { tested(request, verdictOf(answer)); });
    connect(request, &TrackingRequest::timedOut, this, [this, request] {
        tested(request, QStringLiteral("测试失败:%1 秒内没有应答").arg(AnswerLimit().seconds));
    });
}

void ServicesDialog::tested(TrackingRequest *request, const QString &verdict) {
    // Whichever ends the trial first, the answer or the limit, the other is not heard.
    if (request != m_request) {
        return;
    }
    m_request = nullptr;
    request->deleteLater();
    m_verdict->setText(verdict);
    m_test->setEnabled(true);
    // Back to the box being edited; from the button itself, on to 保存.
    auto *box = qobject_cast<QLineEdit *>(m_focusBeforeTest.data());
    (box != nullptr ? static_cast<QWidget *>(box) : m_save)->setFocus();
}

void ServicesDialog::tryDemo() {
    m_tryDemo->setEnabled(false);
    m_verdict->setText(QStringLiteral("正在启动演示服务.."));
    m_demo.start();
}

void ServicesDialog::showDemo() {
    m_tryDemo->setEnabled(true);
    const QString address = m_demo.address();
    for (QLineEdit *box : {m_tracking, m_recognition, m_site, m_makerSite, m_time, m_probe}) {
        box->setText(address);
    }
    // The demo answers the built-in account only.
    for (QLineEdit *box : {m_accountId, m_accountKey, m_secondKey}) {
        box->clear();
    }
    m_demoNumbers->setText(QStringLiteral("演示单号(可复制,在添加页输入):\n") +
                           m_demo.numbers().join(QLatin1Char('\n')));
    m_demoNumbers->show();
    m_verdict->setText(QStringLiteral("演示服务已在 %1 启动。按“保存”即可试用:只在本次运行中使用,"
                                      "不写入服务文件,关闭窗口时停止。")
                           .arg(address));
    m_save->setFocus();
}

bool ServicesDialog::boxesNameDemo() const {
    if (!m_demo.isReady()) {
        return false;
    }
    const QLineEdit *addresses[] = {m_tracking, m_recognition, m_site, m_makerSite, m_time, m_probe};
    return std::all_of(std::begin(addresses), std::end(addresses),
                       [this](const QLineEdit *box) { return box->text().trimmed() == m_demo.address(); });
}

void ServicesDialog::save() {
    if (boxesNameDemo()) {
        Q_EMIT demoChosen(m_demo.address());
        accept();
        return;
    }
    if (const Outcome<> fit = checkAddresses(); !fit) {
        m_verdict->setText(QStringLiteral("无法保存:") + fit.failure().reason);
        return;
    }
    if (const Outcome<> written = servicesfile::write(m_file, boxes()); !written) {
        m_verdict->setText(QStringLiteral("保存失败:") + written.failure().reason);
        return;
    }
    Q_EMIT saved();
    accept();
}
