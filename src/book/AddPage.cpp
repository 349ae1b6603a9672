// Add parcel and first query.
#include "book/AddPage.h"

#include "book/AddFromTextDialog.h"
#include "book/ParcelBook.h"
#include "book/Recognition.h"
#include "store/CourierStore.h"
#include "text/TrackingNumber.h"
#include "tracker/ParcelTracker.h"
#include "tracker/UserSettings.h"
#include "widgets/Feedback.h"
#include "widgets/Placed.h"
#include "widgets/TrackingNumberValidator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString noCompany = QStringLiteral("请选择快递公司");

} // namespace

AddPage::AddPage(Collaborators collaborators, std::function<void()> openDirectory, QWidget *parent)
    : Page(0, QStringLiteral("添加新快递"), QSize(5055, 5175), 180, parent)
    , m_with(collaborators)
    , m_number(new QComboBox(this))
    , m_recognise(new QPushButton(QStringLiteral("刷新"), this))
    , m_company(new QPushButton(noCompany, this))
    , m_goods(new QLineEdit(this))
    , m_tip(new QLabel(this))
    , m_start(new QPushButton(QStringLiteral("开始查询"), this))
    , m_fromText(new QPushButton(QStringLiteral("从文本添加"), this))
    , m_recognition(
          new Recognition(m_with.web, m_with.recognitionAddress, m_with.book.couriers(), m_company, this)) {
    placed<QLabel>(QString(), QStringLiteral("快递单号："), {16, 42, 70, 26}, this);
    m_number->setObjectName(QStringLiteral("Text3"));
    m_number->setAccessibleName(QStringLiteral("快递单号"));
    m_number->setEditable(true);
    m_number->setInsertPolicy(QComboBox::NoInsert);
    m_number->setValidator(new TrackingNumberValidator(m_number));
    m_number->setGeometry(86, 42, 172, 26);
    m_recognise->setObjectName(QStringLiteral("Command2"));
    m_recognise->setGeometry(264, 42, 58, 26);
    m_recognise->setToolTip(QStringLiteral("重新识别快递公司"));

    placed<QLabel>(QString(), QStringLiteral("快递公司："), {16, 80, 70, 28}, this);
    m_company->setObjectName(QStringLiteral("Command1_12"));
    m_company->setGeometry(86, 80, 236, 28);

    placed<QLabel>(QString(), QStringLiteral("物品信息："), {16, 120, 70, 26}, this);
    m_goods->setObjectName(QStringLiteral("Text2"));
    m_goods->setAccessibleName(QStringLiteral("物品信息"));
    m_goods->setGeometry(86, 120, 236, 26);
    m_goods->setPlaceholderText(QStringLiteral("例如：爸爸衣服"));

    m_tip->setObjectName(QStringLiteral("Label24"));
    m_tip->setText(
        QStringLiteral("友情提示：自动识别快递功能偶尔会因为使用人数过多而变得不稳定，您可进行多次刷新尝试，"
                       "如果仍不可用请手动选择快递公司或稍后再试，第一版本可能识别率不是特别高，"
                       "后续版本我们会继续改进。"));
    m_tip->setWordWrap(true);
    m_tip->setGeometry(16, 158, 306, 110);
    m_tip->setStyleSheet(QStringLiteral("color: #6a7f8e;"));

    m_start->setObjectName(QStringLiteral("Command1_13"));
    m_start->setGeometry(108, 290, 120, 34);
    m_fromText->setObjectName(QStringLiteral("AddFromText"));
    m_fromText->setGeometry(236, 294, 86, 26);
    m_fromText->setToolTip(QStringLiteral("从订单邮件、短信等文字中找出快递单号,一次添加多个"));
    setDefaultButton(m_start);
    // Opening the page puts the cursor where the number is typed.
    setFocusProxy(m_number);

    connect(m_number, &QComboBox::editTextChanged, this, &AddPage::numberChanged);
    connect(m_recognise, &QPushButton::clicked, this,
            [this] { m_recognition->recognise(m_number->currentText()); });
    connect(m_company, &QPushButton::clicked, this, std::move(openDirectory));
    connect(m_start, &QPushButton::clicked, this, &AddPage::add);
    connect(m_fromText, &QPushButton::clicked, this, [this] { addFromText(); });
}

void AddPage::reset() {
    m_number->setEditText(QString());
    m_goods->clear();
    m_company->setText(noCompany);
}

void AddPage::setNumber(const QString &text) {
    m_number->setEditText(normalizedTrackingNumber(text));
}

void AddPage::chooseCompany(const QString &name) {
    m_company->setText(name);
}

void AddPage::addFromText(const QString &text) {
    hide();
    auto *dialog =
        new AddFromTextDialog({m_with.book, m_with.web, m_with.recognitionAddress}, parentWidget());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!text.isEmpty()) {
        dialog->setText(text);
    }
    dialog->open();
}

void AddPage::numberChanged(const QString &text) {
    if (m_with.switches.autoRecognitionOn()) {
        m_recognition->recognise(text);
    }
}

void AddPage::add() {
    TrackedParcel parcel;
    parcel.number = m_number->currentText();
    parcel.company = m_company->text();
    parcel.goods = m_goods->text();
    if (parcel.number.isEmpty()) {
        m_number->setFocus();
        m_with.feedback.hint(QStringLiteral("请输入快递单号!"));
        return;
    }
    // Only a company of the directory will do: a recognition status text names none.
    std::optional<CourierRow> courier;
    if (parcel.company != noCompany) {
        const Outcome<std::optional<CourierRow>> named = m_with.book.couriers().byName(parcel.company);
        if (!named.ok()) {
            m_with.feedback.hint(named.failure().said(QStringLiteral("快递公司读取")));
            return;
        }
        courier = *named;
    }
    if (!courier) {
        m_company->setFocus();
        m_with.feedback.hint(QStringLiteral("请选择快递公司!"));
        return;
    }
    if (parcel.goods.isEmpty()) {
        m_with.feedback.hint(QStringLiteral("请输入快递物品信息,例如：爸爸衣服"));
        return;
    }
    parcel.companyCode = courier->code;
    if (m_with.book.tracker().addParcel(parcel)) {
        hide();
    }
}
