// Modify, delete, copy and re-initialisation of the current parcel.
#include "book/OperationsPage.h"

#include "book/ParcelBook.h"
#include "store/CourierStore.h"
#include "store/ParcelStore.h"
#include "tracker/ParcelTracker.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/Placed.h"
#include "widgets/TrackingNumberValidator.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString noCompany = QStringLiteral("请选择快递公司");

} // namespace

OperationsPage::OperationsPage(ParcelBook &book, const Feedback &feedback,
                               std::function<void()> openDirectory, QWidget *parent)
    : Page(2, QStringLiteral("单号操作"), QSize(5295, 4095), 180, parent)
    , m_book(book)
    , m_feedback(feedback)
    , m_number(new QLineEdit(this))
    , m_company(placed<QPushButton>(QStringLiteral("Command1_8"), noCompany, {90, 78, 240, 28}, this))
    , m_goods(new QLineEdit(this))
    , m_modify(
          placed<QPushButton>(QStringLiteral("Command1_9"), QStringLiteral("修改"), {20, 166, 96, 32}, this))
    , m_copy(placed<QPushButton>(QStringLiteral("Command1_10"), QStringLiteral("复制"), {128, 166, 96, 32},
                                 this))
    , m_delete(placed<QPushButton>(QStringLiteral("Command1_11"), QStringLiteral("删除"), {236, 166, 96, 32},
                                   this))
    , m_reset(placed<QPushButton>(QStringLiteral("Command5"), QStringLiteral("快递数据清空"),
                                  {20, 214, 312, 32}, this)) {
    (new QLabel(QStringLiteral("快递单号："), this))->setGeometry(20, 42, 70, 26);
    m_number->setObjectName(QStringLiteral("Text4"));
    m_number->setAccessibleName(QStringLiteral("快递单号"));
    m_number->setGeometry(90, 42, 240, 26);
    m_number->setValidator(new TrackingNumberValidator(m_number));
    (new QLabel(QStringLiteral("快递公司："), this))->setGeometry(20, 78, 70, 28);
    (new QLabel(QStringLiteral("物品信息："), this))->setGeometry(20, 116, 70, 26);
    m_goods->setObjectName(QStringLiteral("Text6"));
    m_goods->setAccessibleName(QStringLiteral("物品信息"));
    m_goods->setGeometry(90, 116, 240, 26);
    m_reset->setToolTip(QStringLiteral("清空本快递已记录的进度，重新获取并提醒全部物流信息"));

    connect(m_company, &QPushButton::clicked, this, std::move(openDirectory));
    connect(m_modify, &QPushButton::clicked, this, &OperationsPage::modify);
    connect(m_delete, &QPushButton::clicked, this, &OperationsPage::remove);
    connect(m_copy, &QPushButton::clicked, this, &OperationsPage::copy);
    connect(m_reset, &QPushButton::clicked, this, &OperationsPage::resetProgress);
    setDefaultButton(m_modify);
}

void OperationsPage::fill() {
    const std::optional<TrackedParcel> &current = m_book.tracker().current();
    m_number->setText(current ? current->number : QString());
    m_company->setText(current && !current->company.isEmpty() ? current->company : noCompany);
    m_goods->setText(m_book.picker().currentText());
}

void OperationsPage::chooseCompany(const QString &name) {
    m_company->setText(name);
}

void OperationsPage::modify() {
    if (m_number->text().isEmpty()) {
        m_feedback.inform(QStringLiteral("请输入单号!"));
        return;
    }
    bool named = false;
    if (m_company->text() != noCompany) {
        const Outcome<std::optional<CourierRow>> courier = m_book.couriers().byName(m_company->text());
        named = courier.ok() && courier->has_value();
    }
    if (!named) {
        m_feedback.inform(QStringLiteral("请选择快递公司!"));
        return;
    }
    if (m_goods->text().isEmpty()) {
        m_feedback.inform(QStringLiteral("请输入物品信息!"));
        return;
    }
    // The change overwrites the stored row, so Enter answers No.
    if (!m_feedback.askBeforeDestroying(QStringLiteral("确定要修改[") + m_book.picker().currentText() +
                                        QStringLiteral("]此单号码?"))) {
        return;
    }
    const std::optional<TrackedParcel> &current = m_book.tracker().current();
    const Outcome<bool> modified =
        current ? m_book.parcels().modify(current->id, m_company->text(), m_goods->text(), m_number->text())
                : Outcome<bool>(false);
    if (!modified.ok()) {
        m_feedback.inform(modified.failure().said(QStringLiteral("快递信息修改")));
        hide();
        return;
    }
    if (!*modified) {
        // The row went meanwhile: nothing to modify, and nothing lists it any longer.
        m_feedback.inform(QStringLiteral("信息数据不存在!"));
        if (current) {
            m_book.tracker().forgetParcel(current->id);
        }
        static_cast<void>(m_book.reloadPicker());
        hide();
        return;
    }
    m_feedback.inform(QStringLiteral("快递信息修改成功!"));
    // One query, under the changed text; `num` is kept, so progress is compared with the old count.
    pickCurrentAgain();
    hide();
}

void OperationsPage::remove() {
    if (!m_feedback.askBeforeDestroying(QStringLiteral("确定要删除[") + m_book.picker().currentText() +
                                        QStringLiteral("]此单号码?"))) {
        return;
    }
    const std::optional<TrackedParcel> &current = m_book.tracker().current();
    hide();
    if (current) {
        // The tracker tells the user how it went; the window follows a deleted parcel out of the picker.
        static_cast<void>(m_book.tracker().deleteParcel(current->id));
    }
}

void OperationsPage::copy() {
    if (m_book.picker().currentText().isEmpty()) {
        m_feedback.hint(QStringLiteral("请先选择快递.."));
        return;
    }
    const std::optional<TrackedParcel> &current = m_book.tracker().current();
    if (!current) {
        m_feedback.hint(QStringLiteral("请先选择快递.."));
        return;
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("快递物品：") + current->goods +
                                          QStringLiteral("\r\n快递公司：") + current->company +
                                          QStringLiteral("\r\n快递单号：") + current->number);
    m_feedback.hint(QStringLiteral("当前快递信息已复制.."));
}

void OperationsPage::resetProgress() {
    if (!m_feedback.askBeforeDestroying(QStringLiteral("此操作将清空快递数据,并重新进行获取,是否继续?"))) {
        return;
    }
    // With no current parcel there is nothing to reset.
    const std::optional<TrackedParcel> &current = m_book.tracker().current();
    if (!current) {
        return;
    }
    const Outcome<bool> reset = m_book.parcels().resetCount(current->id);
    if (!reset.ok()) {
        m_feedback.inform(reset.failure().said(QStringLiteral("初始化")));
        return;
    }
    if (!*reset) {
        return;
    }
    m_feedback.inform(QStringLiteral("初始化成功!"));
    pickCurrentAgain();
}

void OperationsPage::pickCurrentAgain() {
    const std::optional<TrackedParcel> &current = m_book.tracker().current();
    const int position = current ? m_book.picker().indexOf(current->id) : -1;
    if (position < 0) {
        return;
    }
    m_book.picker().pick(position);
}
