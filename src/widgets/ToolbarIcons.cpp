// Toolbar icons and captions.
#include "widgets/ToolbarIcons.h"

#include "widgets/Pictures.h"
#include "widgets/Placed.h"

#include <QLabel>
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

QString pictureOf(const char16_t *picture) {
    return QStringLiteral(":/parcelbook/") + QString::fromUtf16(picture) + QStringLiteral(".png");
}

} // namespace

QStringList ToolbarIcons::pictures() {
    QStringList names;
    for (const auto &icon : icons) {
        names.append(pictureOf(icon.picture));
    }
    return names;
}

ToolbarIcons::ToolbarIcons(QWidget *window)
    : QObject(window) {
    int left = 4560;
    for (const auto &icon : icons) {
        const int number = static_cast<int>(icon.element);
        auto *button = new QToolButton(window);
        button->setObjectName(QStringLiteral("Image2_%1").arg(number));
        button->setGeometry(px(left), px(1680), 53, 53);
        button->setAutoRaise(true);
        button->setIconSize(QSize(53, 53));
        button->setIcon(pngIcon(pictureOf(icon.picture)));
        // The focused icon gets a frame of its own, so a keyboard user sees where Space will act.
        button->setStyleSheet(
            QStringLiteral("QToolButton { border: none; padding: 0; }"
                           "QToolButton:hover { background: #e6f1f7; border-radius: 6px; }"
                           "QToolButton:focus { background: #cfe3f1; border: 2px solid #2f7fc1; "
                           "border-radius: 6px; }"));
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
