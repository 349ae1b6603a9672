// Page frame shared by the five pages.
#include "widgets/Page.h"

#include "widgets/Pictures.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

Page::Page(int element, const QString &title, QSize sizeInTwips, int closeBoxInset, QWidget *parent)
    : QFrame(parent)
    , m_element(element)
    , m_title(new QLabel(title, this))
    , m_closeBox(new QToolButton(this)) {
    setObjectName(QStringLiteral("kdmenu_%1").arg(element));
    setFixedSize(sizeInTwips.width() / 15, sizeInTwips.height() / 15);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(
        QStringLiteral("QFrame#%1 { background: #f5f9fc; border: 1px solid #6f93ad; }").arg(objectName()));

    m_title->setObjectName(QStringLiteral("pageTitle_%1").arg(element));
    m_title->setGeometry(12, 6, width() - 60, 22);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_closeBox->setObjectName(QStringLiteral("x_%1").arg(element));
    m_closeBox->setGeometry(width() - closeBoxInset / 15 - 21, 4, 21, 21);
    m_closeBox->setAutoRaise(true);
    m_closeBox->setToolTip(QStringLiteral("关闭"));
    m_closeBox->setAccessibleName(QStringLiteral("关闭") + title);
    m_closeBox->setIconSize(QSize(21, 21));
    m_closeBox->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));
    QIcon closeIcon;
    closeIcon.addPixmap(picture(QStringLiteral("close_box")), QIcon::Normal);
    closeIcon.addPixmap(picture(QStringLiteral("close_box_hover")), QIcon::Active);
    m_closeBox->setIcon(closeIcon);
    connect(m_closeBox, &QToolButton::clicked, this, [this] { closeBoxClicked(); });

    hide();
}

void Page::centreInParent() {
    if (!parentWidget()) {
        return;
    }
    const float left = parentWidget()->width() / 2.0f - width() / 2.0f;
    const float top = parentWidget()->height() / 2.0f - height() / 2.0f;
    move(static_cast<int>(left), static_cast<int>(top));
}

void Page::setDefaultButton(QPushButton *button) {
    m_defaultButton = button;
}

void Page::setPressBehaviour(std::function<bool()> drags, std::function<bool()> closes) {
    m_drags = std::move(drags);
    m_closes = std::move(closes);
}

void Page::actsOnClick(QWidget *control) {
    m_actingLabels.append(control);
}

bool Page::onActingLabel(QPoint at) const {
    for (const QWidget *target = childAt(at); target && target != this; target = target->parentWidget()) {
        if (m_actingLabels.contains(target)) {
            return true;
        }
    }
    return false;
}

void Page::closeBoxClicked() {
    hide();
}

void Page::mousePressEvent(QMouseEvent *event) {
    event->accept();
    if (onActingLabel(event->position().toPoint())) {
        return;
    }
    const bool drags = m_drags && m_drags();
    const bool closes = m_closes && m_closes();
    if (drags) {
        m_dragging = true;
        m_grab = event->globalPosition().toPoint() - pos();
        // With both switches on the page is moved first and hidden when the button comes up.
        m_hideOnRelease = closes;
    } else if (closes) {
        hide();
    }
}

void Page::mouseMoveEvent(QMouseEvent *event) {
    if (!m_dragging || !parentWidget()) {
        return;
    }
    // The page follows the pointer but stays inside the main window.
    QPoint to = event->globalPosition().toPoint() - m_grab;
    const QSize room = parentWidget()->size() - size();
    to.setX(std::clamp(to.x(), 0, std::max(0, room.width())));
    to.setY(std::clamp(to.y(), 0, std::max(0, room.height())));
    move(to);
}

void Page::mouseReleaseEvent(QMouseEvent *event) {
    if (m_dragging) {
        m_dragging = false;
        if (m_hideOnRelease) {
            hide();
        }
    }
    event->accept();
}

void Page::keyPressEvent(QKeyEvent *event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_defaultButton &&
        m_defaultButton->isEnabled()) {
        m_defaultButton->click();
        return;
    }
    QFrame::keyPressEvent(event);
}
