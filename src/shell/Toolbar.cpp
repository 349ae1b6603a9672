// Toolbar activation, page opening and the function keys.
#include "shell/Toolbar.h"

#include "book/AddPage.h"
#include "book/ListOperations.h"
#include "book/OperationsPage.h"
#include "book/SearchPage.h"
#include "directory/DirectoryPage.h"
#include "overview/OverviewPage.h"
#include "settings/SettingsPage.h"
#include "text/TrackingNumbersInText.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QShortcut>

#include <utility>

namespace {

void showOperations(OperationsPage &page) {
    page.fill();
    page.centreInParent();
    page.show();
}

void showAdd(AddPage &page) {
    page.reset();
    page.centreInParent();
    page.show();
    page.setFocus();
}

void showSearch(SearchPage &page) {
    page.centreInParent();
    page.show();
    page.reset();
}

} // namespace

PageSet ToolbarPages::pageSet() const {
    return {add, settings, operations, search, directory, overview};
}

Toolbar::Toolbar(Collaborators collaborators, std::function<void()> returnToIdle, QWidget *window)
    : QObject(window)
    , m_with(std::move(collaborators))
    , m_pageSet(m_with.pageSet)
    , m_returnToIdle(std::move(returnToIdle))
    , m_window(window) {
    connect(&m_with.icons, &ToolbarIcons::clicked, this, &Toolbar::activate);
    // The keys act wherever the focus lies in the window, and also while the icons are disabled.
    addKey(Qt::Key_F2, [this] { openOverview(); });
    addKey(Qt::Key_F4, [this] {
        const QString pasted = QGuiApplication::clipboard()->text();
        // A text with several numbers (an order mail) is listed to add them all at once.
        if (trackingNumbersInText(pasted).size() > 1) {
            m_pageSet.hideAll();
            m_with.pages().add->addFromText(pasted);
            return;
        }
        activate(ToolbarElement::Add);
        m_with.pages().add->setNumber(pasted);
    });
    addKey(Qt::Key_F5, [this] { activate(ToolbarElement::Operations); });
    addKey(Qt::Key_F6, [this] { activate(ToolbarElement::Clear); });
    addKey(Qt::Key_F7, [this] { activate(ToolbarElement::Search); });
    addKey(Qt::Key_F8, [this] { activate(ToolbarElement::Refresh); });
    addKey(Qt::Key_F9, [this] { openSettings(); });
    addKey(Qt::Key_F10, [this] { activate(ToolbarElement::Export); });
    addKey(Qt::Key_F11, [this] { reinitialise(); });
    addKey(Qt::Key_F12, [this] { activate(ToolbarElement::Directory); });
    addKey(Qt::Key_Escape, [this] { m_pageSet.hideAll(); });

    for (QLabel *link : {m_with.settingsLink, m_with.overviewLink}) {
        link->installEventFilter(this);
        link->setCursor(Qt::PointingHandCursor);
    }
}

void Toolbar::addKey(int key, std::function<void()> action) {
    auto *shortcut = new QShortcut(QKeySequence(key), m_window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, std::move(action));
}

void Toolbar::activate(ToolbarElement element) {
    m_pageSet.hideAll();
    for (Page *page : m_pageSet.all()) {
        if (page) {
            page->raise();
        }
    }
    switch (element) {
    case ToolbarElement::Operations:
        if (m_with.picker.currentText().isEmpty()) {
            m_with.feedback.hint(QStringLiteral("请先选择快递.."));
            return;
        }
        showOperations(*m_with.pages().operations);
        break;
    case ToolbarElement::Add:
        showAdd(*m_with.pages().add);
        break;
    case ToolbarElement::Search:
        showSearch(*m_with.pages().search);
        break;
    case ToolbarElement::Clear:
        m_with.listOperations.clear();
        break;
    case ToolbarElement::Refresh:
        m_with.listOperations.refresh();
        break;
    case ToolbarElement::Export:
        m_with.listOperations.exportList();
        break;
    case ToolbarElement::Directory:
        showDirectory();
        break;
    }
}

void Toolbar::openSettings() {
    m_pageSet.hideAll();
    SettingsPage *settings = m_with.pages().settings;
    settings->centreInParent();
    settings->show();
}

void Toolbar::openOverview() {
    m_pageSet.hideAll();
    OverviewPage *overview = m_with.pages().overview;
    overview->centreInParent();
    overview->show();
    overview->raise();
}

void Toolbar::openDirectoryFor(CompanyPicker picker) {
    if (picker == CompanyPicker::Operations) {
        // The operations page itself stays visible under the directory.
        const ToolbarPages &pages = m_with.pages();
        for (Page *page : std::initializer_list<Page *>{pages.add, pages.settings, pages.search}) {
            page->hide();
        }
    }
    showDirectory();
}

void Toolbar::showDirectory() {
    DirectoryPage *directory = m_with.pages().directory;
    directory->reload();
    directory->centreInParent();
    directory->show();
    directory->raise();
}

void Toolbar::companyChosen(const QString &name) {
    const ToolbarPages &pages = m_with.pages();
    if (pages.add->isVisible()) {
        pages.add->chooseCompany(name);
        pages.directory->hide();
    } else if (pages.operations->isVisible()) {
        pages.operations->chooseCompany(name);
        pages.directory->hide();
    }
}

void Toolbar::reinitialise() {
    if (m_with.feedback.askBeforeDestroying(QStringLiteral("确定要执行初始化吗?"))) {
        m_returnToIdle();
    }
}

bool Toolbar::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress && watched == m_with.settingsLink) {
        openSettings();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && watched == m_with.overviewLink) {
        openOverview();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
