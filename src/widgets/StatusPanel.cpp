// Status panel layout and its resting texts.
#include "widgets/StatusPanel.h"

#include "widgets/PlainText.h"

#include <QLabel>
#include <QPainter>

namespace {

const QString notQueried = QStringLiteral("未查询");
const QColor panelColour(0x14, 0x28, 0x3a);
const QColor captionColour(0xc9, 0xdb, 0xe8);
const QColor noteColour(0x93, 0xb3, 0xc9);
const QColor codeColour(0xff, 0xd3, 0x5c);

// Colours are set as palettes, not style sheets: a style sheet puts every label it reaches under a
// style of its own, whose polish and painting cost the first frame about two milliseconds.
void colour(QLabel &label, const QColor &text) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, text);
    label.setPalette(palette);
}

void colourBold(QLabel &label, const QColor &text) {
    colour(label, text);
    QFont font = label.font();
    font.setBold(true);
    label.setFont(font);
}

} // namespace

StatusPanel::StatusPanel(QWidget *parent)
    : QFrame(parent) {
    setObjectName(QStringLiteral("Picture2"));
    // The labels take the caption colour unless they are given their own.
    QPalette captions = palette();
    captions.setColor(QPalette::WindowText, captionColour);
    setPalette(captions);
    const struct {
        int element;
        const char16_t *text;
        QRect geometry;
    } layout[] = {
        {0, u"快件状态", {8, 1, 56, 16}},   {2, u"未查询", {64, 1, 80, 16}},
        {1, u"更新状态", {160, 1, 56, 16}}, {3, u"未查询", {216, 1, 96, 16}},
        {4, u"运送时间", {8, 17, 56, 16}},  {5, u"未查询", {64, 17, 108, 16}},
        {6, u"快递公司", {8, 33, 56, 16}},  {7, u"未查询", {64, 33, 248, 16}},
    };
    for (const auto &field : layout) {
        auto *label = new QLabel(QString::fromUtf16(field.text), this);
        label->setObjectName(QStringLiteral("Label12_%1").arg(field.element));
        // The company and status come from the service and the book: shown as text, never as markup.
        showAsPlainText(*label);
        label->setGeometry(field.geometry);
        m_fields[field.element] = label;
    }
    for (int value : {2, 3, 5, 7}) {
        colourBold(*m_fields[value], Qt::white);
    }
    auto *note = new QLabel(QStringLiteral("从快递接单时间算起"), this);
    note->setObjectName(QStringLiteral("transitNote"));
    note->setGeometry(176, 17, 136, 16);
    colour(*note, noteColour);
    // The fourth row: what the user needs to fetch the parcel, or when to expect it. A code and a day
    // never stand together (a parcel waiting with its code is not expected any more).
    m_pickupCode = new QLabel(this);
    m_pickupCode->setObjectName(QStringLiteral("pickupCode"));
    m_pickupCode->setGeometry(8, 49, 150, 16);
    colourBold(*m_pickupCode, codeColour);
    m_estimate = new QLabel(this);
    m_estimate->setObjectName(QStringLiteral("estimatedDelivery"));
    m_estimate->setGeometry(150, 49, 166, 16);
    for (QLabel *label : {m_pickupCode, m_estimate}) {
        showAsPlainText(*label);
    }
}

void StatusPanel::reset() {
    company()->setText(notQueried);
    parcelStatus()->setText(notQueried);
    updateStatus()->setText(notQueried);
    transitTime()->setText(notQueried);
    colour(*updateStatus(), Qt::white);
    m_pickupCode->clear();
    m_estimate->clear();
}

void StatusPanel::showCompany(const QString &text) {
    company()->setText(text);
}

void StatusPanel::showProgress(const tracking::ProgressReport &report) {
    parcelStatus()->setText(tracking::statusWord(report.status));
    transitTime()->setText(report.transitText);
    m_pickupCode->setText(report.pickupCode ? QStringLiteral("取件码 ") + *report.pickupCode : QString());
}

void StatusPanel::showEstimate(const std::optional<DeliveryEstimate> &estimate) {
    m_estimate->setText(estimate ? tracking::estimateText(*estimate) : QString());
}

void StatusPanel::showUpdate(tracking::UpdateState state) {
    updateStatus()->setText(tracking::updateWord(state));
    colour(*updateStatus(), state == tracking::UpdateState::NewProgress ? Qt::red : Qt::white);
}

void StatusPanel::paintEvent(QPaintEvent * /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(panelColour);
    painter.drawRoundedRect(QRectF(rect()), 3, 3);
}
