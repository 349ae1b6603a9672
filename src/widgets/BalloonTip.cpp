// Balloon tip window.
#include "widgets/BalloonTip.h"

#include "widgets/PlainText.h"

#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

BalloonTip::BalloonTip(QObject *parent)
    : QObject(parent) {}

BalloonTip::~BalloonTip() {
    delete m_balloon;
}

void BalloonTip::setParentControl(QWidget *control) {
    if (m_control) {
        m_control->removeEventFilter(this);
    }
    m_control = control;
}

void BalloonTip::setTitle(const QString &title) {
    m_title = title;
    if (m_titleLabel) {
        m_titleLabel->setText(title);
    }
}

void BalloonTip::setText(const QString &text) {
    m_text = text;
    if (m_textLabel) {
        m_textLabel->setText(text);
    }
}

void BalloonTip::create() {
    delete m_balloon;
    m_titleLabel = nullptr;
    m_textLabel = nullptr;
    if (!m_control) {
        return;
    }
    auto *balloon = new QWidget(m_control, Qt::ToolTip | Qt::FramelessWindowHint);
    balloon->setObjectName(QStringLiteral("balloonTip"));
    balloon->setAttribute(Qt::WA_ShowWithoutActivating);
    balloon->setStyleSheet(
        QStringLiteral("QWidget#balloonTip { background: #fffbe6; border: 1px solid #b8a050; "
                       "border-radius: 6px; }"));
    auto *layout = new QVBoxLayout(balloon);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(4);
    // The text is a service's progress line: shown as it stands, never read as markup.
    m_titleLabel = new QLabel(m_title, balloon);
    showAsPlainText(*m_titleLabel);
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    m_textLabel = new QLabel(m_text, balloon);
    showAsPlainText(*m_textLabel);
    m_textLabel->setWordWrap(true);
    m_textLabel->setMaximumWidth(420);
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_textLabel);
    m_balloon = balloon;
    m_control->installEventFilter(this);
    if (m_control->rect().contains(m_control->mapFromGlobal(QCursor::pos())) || m_control->underMouse()) {
        showAtPointer();
    }
}

void BalloonTip::showAtPointer() {
    if (!m_balloon) {
        return;
    }
    m_balloon->adjustSize();
    m_balloon->move(QCursor::pos() + QPoint(12, 16));
    m_balloon->show();
}

bool BalloonTip::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_control) {
        if (event->type() == QEvent::Enter) {
            showAtPointer();
        } else if (event->type() == QEvent::Leave || event->type() == QEvent::Hide) {
            if (m_balloon) {
                m_balloon->hide();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
