// A caption button of the window's own frame (minimise, close), drawn from the skin's button strip.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A real button, so the keyboard (Tab, then Space) and assistive technology reach it. The pointer
// passes through it to the window, whose chrome tracks hover and press over the frame and hands the
// picture to show in here.
class ChromeButton final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChromeButton)

public:
    enum class State { Normal, Hover, Pressed };

    // cells: the strip; column and width: this button's pictures; pressedRow: where its pressed
    // picture starts (the normal one is at the top, the hover one at row 21).
    ChromeButton(const QPixmap &cells, int column, int width, int pressedRow, QWidget *parent);

    void setState(State state);
    State state() const { return m_state; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QPixmap m_cells;
    int m_column;
    int m_pressedRow;
    State m_state = State::Normal;
    // Focus reached by Tab is shown; focus the window hands out on activation is not.
    bool m_keyboardFocus = false;
};
