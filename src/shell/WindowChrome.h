// The main window's own frame: the painted skin, the minimise and close buttons, moving the window by
// its title band, the title links and the hover colours of the links and quick picks.
#pragma once

#include "net/ServiceAddresses.h"
#include "shell/ChromeButton.h"

#include <QObject>
#include <QPixmap>
#include <QPoint>

#include <array>
#include <functional>

class Desktop;
class Page;
class QLabel;
class QMouseEvent;
class QPainter;
class QRect;
class QWidget;

// The window's own controls the chrome colours and listens to.
struct ChromeControls {
    QLabel *siteLink = nullptr;
    QLabel *settingsLink = nullptr;
    QLabel *makerLink = nullptr;
};

// The pages and the directory's quick picks, which exist once the book is open.
struct ChromePages {
    std::array<QLabel *, 11> quickPicks{};
    QWidget *quickPickStrip = nullptr;
    std::array<Page *, 6> pages{};
};

class WindowChrome final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowChrome)

public:
    using ButtonState = ChromeButton::State;
    struct ButtonStates {
        ButtonState minimise = ButtonState::Normal;
        ButtonState close = ButtonState::Normal;
        bool operator==(const ButtonStates &) const = default;
    };

    // Takes the window's caption away, so call it before the window is first shown. closeProgram
    // closes the database and ends the program; the close button calls it without asking.
    WindowChrome(QWidget *window, const ChromeControls &controls, Desktop &desktop,
                 const ServiceAddresses &services, std::function<void()> closeProgram);

    // The pages move the window like its background, and the quick picks light up under the pointer.
    void attachPages(const ChromePages &pages);
    ButtonStates buttonStates() const { return m_buttons; }
    // Draws the skin; the window's background is white under it, the caption buttons over it.
    void paint(QPainter &painter) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool windowEvent(QEvent *event);
    void pointerMoved(const QMouseEvent &event);
    void pressed(const QMouseEvent &event);
    void released(const QMouseEvent &event);
    void setButtons(ButtonStates states);
    bool inMinimise(QPoint at) const;
    bool inClose(QPoint at) const;
    QRect minimiseTarget() const;
    QRect closeTarget() const;
    // Everything to the button-text colour, then `highlighted` (if any) to purple.
    void colourQuickPicks(const QLabel *highlighted);
    void greyTitleLinks();

    QWidget *m_window;
    Desktop *m_desktop;
    // The window's own, changed when the user saves the services.
    const ServiceAddresses &m_services;
    std::function<void()> m_closeProgram;
    QPixmap m_frame;
    ChromeButton *m_minimise = nullptr;
    ChromeButton *m_close = nullptr;
    QPixmap m_logo;
    ButtonStates m_buttons;
    std::array<QLabel *, 2> m_titleLinks{};
    QLabel *m_makerLink = nullptr;
    std::array<QLabel *, 11> m_quickPicks{};
    QObject *m_quickPickStrip = nullptr;
    std::array<QObject *, 6> m_pages{};
    // Set while the window follows the pointer itself, when the window system cannot move it.
    bool m_moving = false;
    QPoint m_grab;
};
