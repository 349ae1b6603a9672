// Painting the skin, the caption buttons, moving the window, the title links and the hover colours.
#include "shell/WindowChrome.h"

#include "platform/Platform.h"
#include "shell/ChromeButton.h"

#include "widgets/Page.h"
#include "widgets/Pictures.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// The title band, from the top edge down to this row, moves the window.
constexpr int titleBandBottom = 68;
constexpr int buttonTop = 2;
constexpr int buttonBottom = 22;

const QColor linkGrey(192, 192, 192);
const QColor linkLit(255, 255, 255);
const QColor quickPickLit(166, 0, 169);

void setTextColour(QLabel *label, const QColor &colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

WindowChrome::WindowChrome(QWidget *window, const ChromeControls &controls, Desktop &desktop,
                           const ServiceAddresses &services, std::function<void()> closeProgram)
    : QObject(window)
    , m_window(window)
    , m_desktop(&desktop)
    , m_services(services)
    , m_closeProgram(std::move(closeProgram))
    , m_frame(picture(QStringLiteral("skin_frame")))
    , m_logo(picture(QStringLiteral("skin_logo"))) {
    const QPixmap buttonCells = picture(QStringLiteral("skin_buttons"));
    m_minimise = new ChromeButton(buttonCells, 0, 29, 41, window);
    m_minimise->setObjectName(QStringLiteral("minimiseButton"));
    m_minimise->setAccessibleName(QStringLiteral("最小化"));
    m_minimise->move(minimiseTarget().topLeft());
    m_close = new ChromeButton(buttonCells, 29, 41, 42, window);
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setAccessibleName(QStringLiteral("关闭"));
    m_close->move(closeTarget().topLeft());
    // The pointer acts through the window's own events below; these are what the keyboard and
    // assistive technology press.
    connect(m_minimise, &ChromeButton::clicked, m_window, &QWidget::showMinimized);
    connect(m_close, &ChromeButton::clicked, this, [this] { m_closeProgram(); });
    m_window->setWindowFlag(Qt::FramelessWindowHint);
    m_window->setMouseTracking(true);
    m_window->installEventFilter(this);

    m_titleLinks = {controls.siteLink, controls.settingsLink};
    m_makerLink = controls.makerLink;
    for (QLabel *link : {controls.siteLink, controls.settingsLink, controls.makerLink}) {
        link->installEventFilter(this);
    }
    greyTitleLinks();
    m_titleLinks[0]->setCursor(Qt::PointingHandCursor);
    m_makerLink->setCursor(Qt::PointingHandCursor);
}

void WindowChrome::attachPages(const ChromePages &pages) {
    m_quickPicks = pages.quickPicks;
    for (QLabel *pick : m_quickPicks) {
        pick->installEventFilter(this);
        // Moves over a pick light it again and stop there; passed on, the strip would clear it.
        pick->setMouseTracking(true);
    }
    colourQuickPicks(nullptr);
    pages.quickPickStrip->setMouseTracking(true);
    pages.quickPickStrip->installEventFilter(this);
    m_quickPickStrip = pages.quickPickStrip;
    for (std::size_t i = 0; i < pages.pages.size(); ++i) {
        pages.pages[i]->setMouseTracking(true);
        pages.pages[i]->installEventFilter(this);
        m_pages[i] = pages.pages[i];
    }
}

void WindowChrome::paint(QPainter &painter) const {
    const int sw = m_window->width();
    const int sh = m_window->height();
    const struct {
        QRect target;
        QRect source;
    } pieces[] = {
        {{0, 0, 6, 100}, {0, 0, 6, 100}},
        {{6, 0, sw - 12, 100}, {6, 0, 1, 100}},
        {{sw - 6, 0, 6, 100}, {7, 0, 6, 100}},
        {{0, 68, 3, sh - 73}, {0, 68, 3, 28}},
        {{sw - 3, 68, 3, sh - 73}, {10, 68, 3, 28}},
        {{0, sh - 5, 6, 5}, {0, 96, 6, 5}},
        {{6, sh - 5, sw - 12, 5}, {6, 96, 1, 5}},
        {{sw - 6, sh - 5, 6, 5}, {7, 96, 6, 5}},
    };
    for (const auto &piece : pieces) {
        painter.drawPixmap(piece.target, m_frame, piece.source);
    }
    painter.drawPixmap(QPoint(10, 16), m_logo);
}

bool WindowChrome::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window) {
        return windowEvent(event);
    }
    const QEvent::Type type = event->type();
    if (watched == m_titleLinks[0] || watched == m_titleLinks[1]) {
        if (type == QEvent::Enter) {
            setTextColour(static_cast<QLabel *>(watched), linkLit);
        } else if (type == QEvent::MouseButtonPress && watched == m_titleLinks[0]) {
            m_desktop->openUrl(m_services.site);
            return true;
        }
    } else if (watched == m_makerLink) {
        if (type == QEvent::MouseButtonPress) {
            m_desktop->openUrl(m_services.makerSite);
            return true;
        }
    } else if (watched == m_quickPickStrip ||
               std::find(m_pages.begin(), m_pages.end(), watched) != m_pages.end()) {
        if (type == QEvent::MouseMove) {
            colourQuickPicks(nullptr);
        }
    } else if (type == QEvent::Enter || type == QEvent::MouseMove) {
        const auto pick = std::find(m_quickPicks.begin(), m_quickPicks.end(), watched);
        if (pick != m_quickPicks.end()) {
            colourQuickPicks(*pick);
            if (type == QEvent::MouseMove) {
                event->accept();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

bool WindowChrome::windowEvent(QEvent *event) {
    switch (event->type()) {
    case QEvent::Paint: {
        // The background is already white here, and the window's own paint event draws nothing.
        QPainter painter(m_window);
        paint(painter);
        break;
    }
    case QEvent::MouseMove:
        pointerMoved(*static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonPress:
        pressed(*static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        released(*static_cast<QMouseEvent *>(event));
        break;
    default:
        break;
    }
    return false;
}

void WindowChrome::pointerMoved(const QMouseEvent &event) {
    const QPoint at = event.position().toPoint();
    if (m_moving) {
        if (event.buttons() & Qt::LeftButton) {
            m_window->move(event.globalPosition().toPoint() - m_grab);
        } else {
            // The release went somewhere else (a popup took the pointer, say).
            m_moving = false;
        }
    } else if (m_window->childAt(at)) {
        // A control that tracks the pointer but ignores the move passes it up to the window.
        return;
    }
    ButtonStates states;
    if (inMinimise(at)) {
        states.minimise = ButtonState::Hover;
    } else if (inClose(at)) {
        states.close = ButtonState::Hover;
    }
    setButtons(states);
    greyTitleLinks();
}

void WindowChrome::pressed(const QMouseEvent &event) {
    const QPoint at = event.position().toPoint();
    if (event.button() != Qt::LeftButton || at.y() > titleBandBottom || m_window->childAt(at)) {
        return;
    }
    if (inMinimise(at)) {
        setButtons({ButtonState::Pressed, m_buttons.close});
    } else if (inClose(at)) {
        setButtons({m_buttons.minimise, ButtonState::Pressed});
    } else {
        QWindow *handle = m_window->windowHandle();
        // Without a window manager that moves windows (or offscreen) the window follows the
        // pointer itself until the button comes up.
        if (!handle || !handle->startSystemMove()) {
            m_moving = true;
            m_grab = event.globalPosition().toPoint() - m_window->pos();
        }
    }
}

void WindowChrome::released(const QMouseEvent &event) {
    const QPoint at = event.position().toPoint();
    if (m_moving && event.button() == Qt::LeftButton) {
        m_moving = false;
    } else if (m_window->childAt(at)) {
        return;
    }
    if (inMinimise(at)) {
        m_window->showMinimized();
    } else if (inClose(at)) {
        m_closeProgram();
    }
}

void WindowChrome::setButtons(ButtonStates states) {
    m_minimise->setState(states.minimise);
    m_close->setState(states.close);
    m_buttons = states;
}

bool WindowChrome::inMinimise(QPoint at) const {
    const int sw = m_window->width();
    return at.x() >= sw - 80 && at.x() <= sw - 51 && at.y() >= buttonTop && at.y() <= buttonBottom;
}

bool WindowChrome::inClose(QPoint at) const {
    const int sw = m_window->width();
    return at.x() >= sw - 51 && at.x() <= sw - 10 && at.y() >= buttonTop && at.y() <= buttonBottom;
}

QRect WindowChrome::minimiseTarget() const {
    return {m_window->width() - 80, 2, 29, 20};
}

QRect WindowChrome::closeTarget() const {
    return {m_window->width() - 51, 2, 41, 20};
}

void WindowChrome::colourQuickPicks(const QLabel *highlighted) {
    for (QLabel *pick : m_quickPicks) {
        if (!pick) {
            continue;
        }
        setTextColour(pick, pick == highlighted ? quickPickLit : pick->palette().color(QPalette::ButtonText));
    }
}

void WindowChrome::greyTitleLinks() {
    for (QLabel *link : m_titleLinks) {
        setTextColour(link, linkGrey);
    }
}
