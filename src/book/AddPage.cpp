// Add parcel and first query.
#include "book/AddPage.h"

#include "book/NumberFilter.h"
#include "book/ParcelPicker.h"
#include "shell/WindowState.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "store/SettingsPage.h"
#include "store/StoreError.h"
#include "tracking/Recognition.h"
#include "tracking/TrackingQuery.h"

#include "shell/Placed.h"
#include <QComboBox>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString noCompany = QStringLiteral("请选择快递公司");

} // namespace

AddPage::AddPage(WindowState &state, TrackingQuery &query, std::function<void()> openDirectory,
                 QWidget *parent)
    : Page(0, QStringLiteral("添加新快递"), QSize(5055, 5175), 180, parent)
    , m_state(state)
    , m_query(query)
    , m_number(new QComboBox(this))
    , m_recognise(new QPushButton(QStringLiteral("刷新"), this))
    , m_company(new QPushButton(noCompany, this))
    , m_goods(new QLineEdit(this))
    , m_tip(new QLabel(this))
    , m_start(new QPushButton(QStringLiteral("开始查询"), this))
    , m_recognition(new Recognition(state, m_company, this)) {
    placed<QLabel>(QString(), QStringLiteral("快递单号："), {16, 42, 70, 26}, this);
    m_number->setObjectName(QStringLiteral("Text3"));
    m_number->setEditable(true);
    m_number->setInsertPolicy(QComboBox::NoInsert);
    m_number->setGeometry(86, 42, 172, 26);
    m_recognise->setObjectName(QStringLiteral("Command2"));
    m_recognise->setGeometry(264, 42, 58, 26);
    m_recognise->setToolTip(QStringLiteral("重新识别快递公司"));

    placed<QLabel>(QString(), QStringLiteral("快递公司："), {16, 80, 70, 28}, this);
    m_company->setObjectName(QStringLiteral("Command1_12"));
    m_company->setGeometry(86, 80, 236, 28);

    placed<QLabel>(QString(), QStringLiteral("物品信息："), {16, 120, 70, 26}, this);
    m_goods->setObjectName(QStringLiteral("Text2"));
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
    setDefaultButton(m_start);
    // Opening the page puts the cursor where the number is typed.
    setFocusProxy(m_number);

    connect(m_number, &QComboBox::editTextChanged, this, &AddPage::numberChanged);
    connect(m_recognise, &QPushButton::clicked, this,
            [this] { m_recognition->recognise(m_number->currentText()); });
    connect(m_company, &QPushButton::clicked, this, std::move(openDirectory));
    connect(m_start, &QPushButton::clicked, this, &AddPage::add);
}

void AddPage::reset() {
    m_number->setEditText(QString());
    m_goods->clear();
    m_company->setText(noCompany);
}

void AddPage::setNumber(const QString &number) {
    m_number->setEditText(number);
}

void AddPage::numberChanged(const QString &text) {
    if (!text.isEmpty() && !readsAsNumber(text)) {
        // The whole text goes, not only the character that does not belong.
        m_number->setEditText(QString());
        return;
    }
    if (m_state.settingsPage->autoRecognitionOn()) {
        m_recognition->recognise(text);
    }
}

void AddPage::add() {
    const QString number = m_number->currentText();
    const QString company = m_company->text();
    const QString goods = m_goods->text();
    if (number.isEmpty()) {
        m_number->setFocus();
        m_state.setHint(QStringLiteral("请输入快递单号!"));
        return;
    }
    // Only a company of the directory will do: a recognition status text names none.
    std::optional<CourierRow> courier;
    if (company != noCompany) {
        try {
            courier = m_state.couriers->byName(company);
        } catch (const StoreError &error) {
            m_state.setHint(QStringLiteral("快递公司读取失败!错误原因") + error.description());
            return;
        }
    }
    if (!courier) {
        m_company->setFocus();
        m_state.setHint(QStringLiteral("请选择快递公司!"));
        return;
    }
    if (goods.isEmpty()) {
        m_state.setHint(QStringLiteral("请输入快递物品信息,例如：爸爸衣服"));
        return;
    }
    m_state.current.number = number;
    m_state.current.company = company;
    m_state.current.goods = goods;
    m_state.current.companyCode = courier->code;

    m_state.setHint(QStringLiteral("未查询"));
    m_state.progressList->clear();
    hide();
    m_state.setToolbarEnabled(false);
    m_query.kdgs(number, [this, number, company, goods] { answered(number, company, goods); });
}

void AddPage::answered(const QString &number, const QString &company, const QString &goods) {
    const QString answer = m_state.query.answerText;
    if (answer.isEmpty()) {
        return;
    }
    m_state.query.answerText.clear();
    const std::optional<QString> code = tracking::resultCode(answer);
    if (!code) {
        m_state.setHint(QStringLiteral("查询服务返回了无法识别的数据,请稍后再试.."));
        commonEnd();
        return;
    }
    m_state.query.resultCode = *code;
    try {
        if (tracking::isSuccess(*code)) {
            m_state.counters[counter::entryCount] = 0;
            if (m_state.parcels->byNumber(number).isEmpty()) {
                storeNew(number, company, goods, true);
            } else {
                m_state.inform(QStringLiteral("快递数据已存在!"));
                listDuplicates(number);
            }
            return;
        }
        if (*code == QStringLiteral("1")) {
            m_state.timer7->stop();
            if (!m_state.ask(QStringLiteral("您好,您当前输入的单号不存在有效信息,是否先进行保存?"))) {
                commonEnd();
                return;
            }
            if (m_state.parcels->byNumber(number).isEmpty()) {
                storeNew(number, company, goods, false);
                m_state.inform(QStringLiteral("快递添加成功！"));
                commonEnd();
            } else {
                m_state.inform(QStringLiteral("快递数据已存在!"));
                // The window is given back before the first match is queried, so that query
                // keeps its lock, busy indicator and watch.
                commonEnd();
                listDuplicates(number);
            }
            return;
        }
    } catch (const StoreError &error) {
        m_state.setHint(QStringLiteral("快递保存失败!错误原因") + error.description());
        commonEnd();
        return;
    }
    const QString message = tracking::resultMessage(*code);
    if (!message.isEmpty()) {
        m_state.setHint(message);
    }
    commonEnd();
}

void AddPage::storeNew(const QString &number, const QString &company, const QString &goods, bool selectIt) {
    m_state.parcels->add(company, number, goods);
    m_state.picker->sX(*m_state.parcels);
    if (selectIt) {
        m_state.picker->pick(m_state.picker->count() - 1);
    }
}

void AddPage::listDuplicates(const QString &number) {
    m_state.picker->clear();
    for (const ParcelRow &row : m_state.parcels->byNumberContaining(number.trimmed())) {
        m_state.picker->addItem(row.goods);
    }
    m_state.picker->pick(0);
}

void AddPage::commonEnd() {
    m_state.showBusy(false);
    m_state.timer7->stop();
    m_state.unlock();
}
