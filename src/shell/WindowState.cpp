// Shared window helpers.
#include "shell/WindowState.h"

#include "book/ParcelPicker.h"
#include "shell/Page.h"
#include "store/ParcelStore.h"
#include "store/SettingsPage.h"
#include "store/StoreError.h"

#include <QLabel>
#include <QMovie>
#include <QToolButton>
#include <QTreeWidget>

void WindowState::setHint(const QString &text) const {
    hintLine->setText(text);
}

void WindowState::inform(const QString &text) const {
    platform.dialogs->inform(QStringLiteral("岚舟系列软件"), text, MessageIcon::Information);
}

bool WindowState::ask(const QString &text) const {
    return platform.dialogs->ask(QStringLiteral("岚舟系列软件"), text);
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

bool WindowState::reloadPicker() const {
    try {
        picker->sX(*parcels);
        return true;
    } catch (const StoreError &error) {
        setHint(QStringLiteral("快递列表读取失败!错误原因") + error.description());
        return false;
    }
}

bool WindowState::deleteCurrentParcel() const {
    try {
        parcels->remove(current.id);
    } catch (const StoreError &error) {
        inform(QStringLiteral("快递信息删除失败!错误原因") + error.description());
        return false;
    }
    inform(QStringLiteral("快递信息已删除!"));
    return true;
}
