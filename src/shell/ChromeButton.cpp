// Caption button painting.
#include "shell/ChromeButton.h"

#include <QFocusEvent>
#include <QPainter>

namespace {

constexpr int hoverRow = 21;

} // namespace

ChromeButton::ChromeButton(const QPixmap &cells, int column, int width, int pressedRow, QWidget *parent)
    : QAbstractButton(parent)
    , m_cells(cells)
    , m_column(column)
    , m_pressedRow(pressedRow) {
    resize(width, 20);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::TabFocus);
}

void ChromeButton::setState(State state) {
    if (state != m_state) {
        m_state = state;
        update();
    }
}

void ChromeButton::focusInEvent(QFocusEvent *event) {
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void ChromeButton::focusOutEvent(QFocusEvent *event) {
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

void ChromeButton::paintEvent(QPaintEvent *) {
    int row = 0;
    switch (m_state) {
    case State::Hover:
        row = hoverRow;
        break;
    case State::Pressed:
        row = m_pressedRow;
        break;
    case State::Normal:
        // Keyboard focus lights the button as the pointer would.
        row = m_keyboardFocus ? hoverRow : 0;
        break;
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), m_cells, QRect(m_column, row, width(), height()));
}
