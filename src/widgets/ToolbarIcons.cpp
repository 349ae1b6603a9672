// Toolbar icons and captions.
#include "widgets/ToolbarIcons.h"

#include "widgets/Pictures.h"
#include "widgets/Placed.h"

#include <QLabel>
#include <QPainter>
#include <QToolButton>

namespace {

// Twips to pixels, at 15 twips per pixel.
constexpr int px(int twips) {
    return twips / 15;
}

// Left to right, as the icons stand in the toolbar.
const struct {
    ToolbarElement element;
    const char16_t *caption;
    const char16_t *tooltip;
    const char16_t *picture;
} icons[] = {
    {ToolbarElement::Operations, u"单号操作", u"打开单号操作窗口，快捷键：F5", u"icon_operations"},
    {ToolbarElement::Add, u"添加快递", u"打开快递添加窗口，快捷键：F4", u"icon_add"},
    {ToolbarElement::Search, u"快递搜索", u"搜索当前数据库中的快递，快捷键：F7", u"icon_search"},
    {ToolbarElement::Refresh, u"刷新列表", u"刷新当前快递列表，快捷键：F8", u"icon_refresh"},
    {ToolbarElement::Clear, u"清空列表", u"清空快递列表，请谨慎操作，快捷键：F6", u"icon_clear"},
    {ToolbarElement::Directory, u"快递列表", u"打开快递列表，快捷键：F12", u"icon_directory"},
    {ToolbarElement::Export, u"导出数据", u"将当前快递数据导出到计算机中，快捷键：F10", u"icon_export"},
};

// An icon without a frame, lit under the pointer and framed while it has the focus, so a keyboard user
// sees where Space will act. Painted here rather than by a style sheet, which would put each button
// under a style of its own and cost the first frame its polish.
class ToolbarButton final : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent * /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (hasFocus()) {
            painter.setPen(QPen(QColor(0x2f, 0x7f, 0xc1), 2));
            painter.setBrush(QColor(0xcf, 0xe3, 0xf1));
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        } else if (isEnabled() && underMouse()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0xe6, 0xf1, 0xf7));
            painter.drawRoundedRect(QRectF(rect()), 6, 6);
        }
        icon().paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
};

} // namespace

ToolbarIcons::ToolbarIcons(QWidget *window)
    : QObject(window) {
    int left = 4560;
    for (const auto &icon : icons) {
        const int number = static_cast<int>(icon.element);
        auto *button = new ToolbarButton(window);
        button->setObjectName(QStringLiteral("Image2_%1").arg(number));
        button->setGeometry(px(left), px(1680), 53, 53);
        button->setAutoRaise(true);
        button->setIconSize(QSize(53, 53));
        button->setIcon(pictureIcon(QString::fromUtf16(icon.picture)));
        button->setToolTip(QString::fromUtf16(icon.tooltip));
        // Assistive technology reads the caption as the name and the tooltip (with its key) as help.
        button->setAccessibleName(QString::fromUtf16(icon.caption));
        button->setAccessibleDescription(QString::fromUtf16(icon.tooltip));
        button->setEnabled(false);
        connect(button, &QToolButton::clicked, this,
                [this, element = icon.element] { Q_EMIT clicked(element); });
        m_buttons.at(number - 1) = button;

        auto *caption =
            placed<QLabel>(QStringLiteral("Label25_%1").arg(number), QString::fromUtf16(icon.caption),
                           {px(left), px(2520), px(735), px(255)}, window);
        caption->setAlignment(Qt::AlignCenter);
        left += 960;
    }
}

QToolButton *ToolbarIcons::button(ToolbarElement element) const {
    return m_buttons.at(static_cast<int>(element) - 1);
}

void ToolbarIcons::setAllEnabled(bool enabled) const {
    for (QToolButton *button : m_buttons) {
        button->setEnabled(enabled);
    }
}

void ToolbarIcons::setEnabled(ToolbarElement element, bool enabled) const {
    button(element)->setEnabled(enabled);
}
