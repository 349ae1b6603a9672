// Toolbar activation, page opening and the function keys.
#include "shell/Toolbar.h"

#include "book/AddPage.h"
#include "book/ListOperations.h"
#include "book/OperationsPage.h"
#include "book/ParcelPicker.h"
#include "book/SearchPage.h"
#include "directory/DirectoryPage.h"
#include "shell/Page.h"
#include "shell/WindowState.h"
#include "store/SettingsPage.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>

Toolbar::Toolbar(WindowState &state, ToolbarPages pages, std::function<void()> csh, QWidget *window)
    : QObject(window)
    , m_state(state)
    , m_pages(pages)
    , m_csh(std::move(csh))
    , m_window(window) {
    for (std::size_t element = 1; element <= 7; ++element) {
        connect(m_state.toolbar[element], &QToolButton::clicked, this,
                [this, element] { activate(static_cast<int>(element)); });
    }
    // The keys act wherever the focus lies in the window, and also while the icons are disabled.
    addKey(Qt::Key_F4, [this] {
        activate(3);
        m_pages.add->setNumber(QGuiApplication::clipboard()->text());
    });
    addKey(Qt::Key_F5, [this] { activate(1); });
    addKey(Qt::Key_F6, [this] { activate(2); });
    addKey(Qt::Key_F7, [this] { activate(4); });
    addKey(Qt::Key_F8, [this] { activate(5); });
    addKey(Qt::Key_F9, [this] { openSettings(); });
    addKey(Qt::Key_F10, [this] { activate(7); });
    addKey(Qt::Key_F11, [this] { reinitialise(); });
    addKey(Qt::Key_F12, [this] { activate(6); });
    addKey(Qt::Key_Escape, [this] { m_state.hidePages(); });

    if (auto *settingsLink = window->findChild<QLabel *>(QStringLiteral("Label16_1"))) {
        settingsLink->installEventFilter(this);
        settingsLink->setCursor(Qt::PointingHandCursor);
    }
}

void Toolbar::addKey(int key, std::function<void()> action) {
    auto *shortcut = new QShortcut(QKeySequence(key), m_window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, std::move(action));
}

void Toolbar::activate(int element) {
    m_state.hidePages();
    for (Page *page : m_state.pages) {
        page->raise();
    }
    switch (element) {
    case 1:
        if (m_state.picker->currentText().isEmpty()) {
            m_state.setHint(QStringLiteral("请先选择快递.."));
            return;
        }
        m_pages.operations->fill(m_state.current.number, m_state.current.company,
                                 m_state.picker->currentText());
        m_pages.operations->centreInParent();
        m_pages.operations->show();
        break;
    case 3:
        m_pages.add->reset();
        m_pages.add->centreInParent();
        m_pages.add->show();
        m_pages.add->setFocus();
        break;
    case 4:
        m_pages.search->centreInParent();
        m_pages.search->show();
        m_pages.search->reset();
        break;
    case 2:
        m_pages.listOperations->clear();
        break;
    case 5:
        m_pages.listOperations->refresh();
        break;
    case 7:
        m_pages.listOperations->exportList();
        break;
    case 6:
        m_pages.directory->reload();
        m_pages.directory->centreInParent();
        m_pages.directory->show();
        m_pages.directory->raise();
        break;
    default:
        break;
    }
}

void Toolbar::openSettings() {
    m_state.hidePages();
    m_state.settingsPage->centreInParent();
    m_state.settingsPage->show();
}

void Toolbar::openDirectoryFor(int companyPicker) {
    m_pages.directory->reload();
    if (companyPicker == 8) {
        for (std::size_t page : {0, 1, 3}) {
            m_state.pages[page]->hide();
        }
    }
    m_pages.directory->centreInParent();
    m_pages.directory->show();
    m_pages.directory->raise();
}

void Toolbar::reinitialise() {
    if (m_state.ask(QStringLiteral("确定要执行初始化吗?"))) {
        m_csh();
    }
}

bool Toolbar::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress && watched->objectName() == QStringLiteral("Label16_1")) {
        openSettings();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
