// The progress list's gestures: balloon on a click, copy on a double click, large type on a right press.
#pragma once

#include <QObject>

#include "tracking/TrackingText.h"

#include <optional>

class BalloonTip;
class Feedback;
class ProgressList;
class QFrame;
class QLabel;
class QWidget;
class UserSettings;

class ProgressGestures final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressGestures)

public:
    // window: the main window, which the large-type view covers.
    ProgressGestures(ProgressList &list, const Feedback &feedback, const UserSettings &switches,
                     QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The entry of the selected row; nothing (and a hint) when no row is selected.
    std::optional<ProgressEntry> selectedEntry() const;
    void clicked();
    void doubleClicked();
    void rightPressed();

    ProgressList &m_list;
    const Feedback &m_feedback;
    const UserSettings &m_switches;
    BalloonTip *m_balloon = nullptr;
    QFrame *m_largeView;
    QLabel *m_largeText;
};
