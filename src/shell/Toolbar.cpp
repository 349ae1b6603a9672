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

PageSet ToolbarPages::pageSet() const {
    return {add, settings, operations, search, directory, overview};
}

Toolbar::Toolbar(Collaborators collaborators, std::function<void()> returnToIdle, QWidget *window)
    : QObject(window)
    , m_with(collaborators)
    , m_pageSet(m_with.pages.pageSet())
    , m_returnToIdle(std::move(returnToIdle))
    , m_window(window) {
    connect(&m_with.icons, &ToolbarIcons::clicked, this, &Toolbar::activate);
    connect(m_with.pages.directory, &DirectoryPage::companyChosen, this, &Toolbar::companyChosen);
    // The keys act wherever the focus lies in the window, and also while the icons are disabled.
    addKey(Qt::Key_F2, [this] { openOverview(); });
    addKey(Qt::Key_F4, [this] {
        const QString pasted = QGuiApplication::clipboard()->text();
        // A text with several numbers (an order mail) is listed to add them all at once.
        if (trackingNumbersInText(pasted).size() > 1) {
            m_pageSet.hideAll();
            m_with.pages.add->addFromText(pasted);
            return;
        }
        activate(ToolbarElement::Add);
        m_with.pages.add->setNumber(pasted);
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
        page->raise();
    }
    const ToolbarPages &pages = m_with.pages;
    switch (element) {
    case ToolbarElement::Operations:
        if (m_with.picker.currentText().isEmpty()) {
            m_with.feedback.hint(QStringLiteral("请先选择快递.."));
            return;
        }
        pages.operations->fill();
        pages.operations->centreInParent();
        pages.operations->show();
        break;
    case ToolbarElement::Add:
        pages.add->reset();
        pages.add->centreInParent();
        pages.add->show();
        pages.add->setFocus();
        break;
    case ToolbarElement::Search:
        pages.search->centreInParent();
        pages.search->show();
        pages.search->reset();
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
    m_with.pages.settings->centreInParent();
    m_with.pages.settings->show();
}

void Toolbar::openOverview() {
    m_pageSet.hideAll();
    m_with.pages.overview->centreInParent();
    m_with.pages.overview->show();
    m_with.pages.overview->raise();
}

void Toolbar::openDirectoryFor(CompanyPicker picker) {
    if (picker == CompanyPicker::Operations) {
        // The operations page itself stays visible under the directory.
        for (Page *page : {m_pageSet.add, m_pageSet.settings, m_pageSet.search}) {
            page->hide();
        }
    }
    showDirectory();
}

void Toolbar::showDirectory() {
    DirectoryPage *directory = m_with.pages.directory;
    directory->reload();
    directory->centreInParent();
    directory->show();
    directory->raise();
}

void Toolbar::companyChosen(const QString &name) {
    if (m_with.pages.add->isVisible()) {
        m_with.pages.add->chooseCompany(name);
        m_with.pages.directory->hide();
    } else if (m_with.pages.operations->isVisible()) {
        m_with.pages.operations->chooseCompany(name);
        m_with.pages.directory->hide();
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
