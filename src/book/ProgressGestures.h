// The progress list's gestures: balloon on a click, copy on a double click, large type on a right press.
#pragma once

#include <QObject>

class BalloonTip;
class QFrame;
class QLabel;
class QTreeWidgetItem;
class QWidget;
struct WindowState;

class ProgressGestures final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressGestures)

public:
    // window: the main window, which the large-type view covers.
    ProgressGestures(WindowState &state, QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The selected row when it carries an entry number; nothing for no row or an empty row.
    QTreeWidgetItem *selectedEntry() const;
    void clicked();
    void doubleClicked();
    void rightPressed();

    WindowState &m_state;
    BalloonTip *m_balloon = nullptr;
    QFrame *m_largeView;
    QLabel *m_largeText;
};
