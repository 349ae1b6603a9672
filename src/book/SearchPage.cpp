// Parcel search.
#include "book/SearchPage.h"

#include "book/ParcelBook.h"
#include "store/ParcelStore.h"
#include "text/TrackingNumber.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/Placed.h"
#include "widgets/TrackingNumberValidator.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

SearchPage::SearchPage(ParcelBook &book, const Feedback &feedback, QWidget *parent)
    : Page(3, QStringLiteral("搜索快递"), QSize(4455, 4335), 180, parent)
    , m_book(book)
    , m_feedback(feedback)
    , m_text(new QLineEdit(this))
    , m_start(new QPushButton(QStringLiteral("开始搜索"), this)) {
    (new QLabel(QStringLiteral("搜索内容："), this))->setGeometry(20, 44, 70, 26);
    m_text->setObjectName(QStringLiteral("Text7"));
    m_text->setAccessibleName(QStringLiteral("搜索内容"));
    m_text->setGeometry(90, 44, 186, 26);

    auto *field = new QGroupBox(QStringLiteral("搜索方式"), this);
    field->setGeometry(20, 82, 256, 72);
    m_byNumber = placed<QRadioButton>(QStringLiteral("Option1_0"), QStringLiteral("使用单号查询"),
                                      {10, 22, 236, 20}, field);
    m_byGoods = placed<QRadioButton>(QStringLiteral("Option1_1"), QStringLiteral("使用物品名称查询"),
                                     {10, 44, 236, 20}, field);
    auto *match = new QGroupBox(QStringLiteral("匹配方式"), this);
    match->setGeometry(20, 160, 256, 52);
    m_exact = placed<QRadioButton>(QStringLiteral("Option2_0"), QStringLiteral("精准查询"), {10, 22, 110, 20},
                                   match);
    m_fuzzy = placed<QRadioButton>(QStringLiteral("Option2_1"), QStringLiteral("模糊查询"),
                                   {128, 22, 110, 20}, match);
    m_byGoods->setChecked(true);
    m_fuzzy->setChecked(true);

    m_start->setObjectName(QStringLiteral("Command1_14"));
    m_start->setGeometry(88, 232, 120, 34);
    setDefaultButton(m_start);

    // By number the box holds a tracking number: what it held for a goods search is read as one.
    auto *numberRule = new TrackingNumberValidator(m_text);
    connect(m_byNumber, &QRadioButton::toggled, this, [this, numberRule](bool byNumber) {
        m_text->setValidator(byNumber ? numberRule : nullptr);
        if (byNumber) {
            m_text->setText(normalizedTrackingNumber(m_text->text()));
        }
    });
    connect(m_start, &QPushButton::clicked, this, &SearchPage::search);
}

void SearchPage::reset() {
    m_byGoods->setChecked(true);
    m_fuzzy->setChecked(true);
    m_text->clear();
    m_text->setFocus();
}

void SearchPage::search() {
    if (!(m_fuzzy->isChecked() || m_exact->isChecked()) ||
        !(m_byNumber->isChecked() || m_byGoods->isChecked())) {
        return;
    }
    const bool fuzzy = m_fuzzy->isChecked();
    const bool byNumber = m_byNumber->isChecked();
    const QString text = m_text->text();
    if (text.isEmpty()) {
        m_feedback.inform(byNumber ? QStringLiteral("请输入快递单号..") : QStringLiteral("请输入快递物品.."));
        return;
    }
    ParcelPicker &picker = m_book.picker();
    picker.clear();
    ParcelStore &parcels = m_book.parcels();
    const Outcome<QList<ParcelRow>> found = fuzzy
                                                ? (byNumber ? parcels.byNumberContaining(text.trimmed())
                                                            : parcels.byGoodsContaining(text.trimmed()))
                                                : (byNumber ? parcels.byNumber(text) : parcels.byGoods(text));
    if (!found) {
        m_feedback.inform(found.failure().said(QStringLiteral("快递搜索")));
        return;
    }
    picker.showRows(*found);
    if (picker.count() == 0) {
        m_feedback.inform(QStringLiteral("没有找到相关快递"));
        m_feedback.hint(QStringLiteral("没有找到相关快递.."));
        return;
    }
    hide();
    m_feedback.inform(fuzzy ? QStringLiteral("已为您找到") + QString::number(picker.count()) +
                                  QStringLiteral("个相关快递")
                            : QStringLiteral("已为您找到相关快递"));
    picker.pick(0);
}
