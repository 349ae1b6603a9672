// Shared window helpers.
#include "shell/WindowState.h"

#include "book/ParcelPicker.h"
#include "shell/Page.h"
#include "store/SettingsPage.h"

#include <QLabel>
#include <QMovie>
#include <QToolButton>
#include <QTreeWidget>

void WindowState::setHint(const QString &text) const {
    hintLine->setText(text);
}

void WindowState::hidePages() const {
    for (Page *page : pages) {
        page->hide();
    }
}

void WindowState::setToolbarEnabled(bool enabled) const {
    for (std::size_t element = 1; element <= 7; ++element) {
        toolbar[element]->setEnabled(enabled);
    }
}

void WindowState::lock() const {
    picker->setEnabled(false);
    progressList->setEnabled(false);
    setToolbarEnabled(false);
}

void WindowState::unlock() const {
    picker->setEnabled(true);
    progressList->setEnabled(true);
    setToolbarEnabled(true);
}

void WindowState::unlockAfterQuery() const {
    if (modeRunning()) {
        toolbar[6]->setEnabled(true);
        return;
    }
    picker->setEnabled(true);
    setToolbarEnabled(true);
}

bool WindowState::modeRunning() const {
    return settingsPage->loopRunning() || settingsPage->timedArmed();
}

void WindowState::showBusy(bool shown) const {
    busy->setVisible(shown);
    if (QMovie *movie = busy->movie()) {
        if (shown) {
            movie->start();
        } else {
            movie->stop();
        }
    }
}
