// One of the five pages laid over the main window: title, close box, centring, moving and closing.
#pragma once

#include <QFrame>

#include <functional>

class QLabel;
class QPushButton;
class QToolButton;

class Page : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Page)

public:
    // sizeInTwips: the page's size at 15 twips per pixel; closeBoxInset: twips between the close
    // box's right edge and the page's right edge.
    Page(int element, const QString &title, QSize sizeInTwips, int closeBoxInset, QWidget *parent);

    int element() const { return m_element; }
    // Centres the page on its own size in the parent's client area.
    void centreInParent();
    // The button that Enter presses while the focus is inside the page; none by default.
    void setDefaultButton(QPushButton *button);
    // Whether a press on the page's surface drags it, and whether it hides it (both read at the
    // moment of the press, from the settings page's switches).
    void setPressBehaviour(std::function<bool()> drags, std::function<bool()> closes);
    QToolButton *closeBox() const { return m_closeBox; }
    // A label of the page that acts on a click (a quick pick, a link): a press on it neither drags
    // nor closes the page. Buttons and boxes take their presses themselves.
    void actsOnClick(QWidget *control);

protected:
    // The close box hides the page; a page with a closing step of its own overrides this.
    virtual void closeBoxClicked();
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_element;
    QLabel *m_title;
    QToolButton *m_closeBox;
    QPushButton *m_defaultButton = nullptr;
    // Whether the press lands on one of the labels that act.
    bool onActingLabel(QPoint at) const;

    QList<QWidget *> m_actingLabels;
    std::function<bool()> m_drags;
    std::function<bool()> m_closes;
    bool m_dragging = false;
    bool m_hideOnRelease = false;
    QPoint m_grab;
};
