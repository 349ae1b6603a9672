// The seven toolbar icons with their captions, each named by what it does.
#pragma once

#include <QObject>

#include <array>

class QToolButton;
class QWidget;

// The element numbers are the icons' objectName suffixes.
enum class ToolbarElement {
    Operations = 1,
    Clear = 2,
    Add = 3,
    Search = 4,
    Refresh = 5,
    Directory = 6,
    Export = 7
};

class ToolbarIcons final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolbarIcons)

public:
    // Places the icons and their captions on the window; they start disabled.
    explicit ToolbarIcons(QWidget *window);

    QToolButton *button(ToolbarElement element) const;
    void setAllEnabled(bool enabled) const;
    void setEnabled(ToolbarElement element, bool enabled) const;

Q_SIGNALS:
    void clicked(ToolbarElement element);

private:
    // By element number, from 1.
    std::array<QToolButton *, 7> m_buttons{};
};
