// One of the five pages laid over the main window: title, close box, centring.
#pragma once

#include <QFrame>

class QLabel;
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

Q_SIGNALS:
    void pressed(Qt::MouseButton button, QPoint globalPosition);

protected:
    // The close box hides the page; a page with a closing step of its own overrides this.
    virtual void closeBoxClicked();
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_element;
    QLabel *m_title;
    QToolButton *m_closeBox;
};
