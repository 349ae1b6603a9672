// Page frame shared by the five pages.
#include "shell/Page.h"

#include <QLabel>
#include <QMouseEvent>
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
    setStyleSheet(
        QStringLiteral("QFrame#%1 { background: #f5f9fc; border: 1px solid #6f93ad; }").arg(objectName()));

    m_title->setObjectName(QStringLiteral("pageTitle_%1").arg(element));
    m_title->setGeometry(12, 6, width() - 60, 22);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_closeBox->setObjectName(QStringLiteral("x_%1").arg(element));
    m_closeBox->setGeometry(width() - closeBoxInset / 15 - 21, 4, 21, 21);
    m_closeBox->setText(QStringLiteral("×"));
    m_closeBox->setAutoRaise(true);
    m_closeBox->setToolTip(QStringLiteral("关闭"));
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

void Page::closeBoxClicked() {
    hide();
}

void Page::mousePressEvent(QMouseEvent *event) {
    Q_EMIT pressed(event->button(), event->globalPosition().toPoint());
    QFrame::mousePressEvent(event);
}
