// Locking the window around a query.
#include "widgets/WindowLock.h"

#include "widgets/ParcelPicker.h"
#include "widgets/ProgressList.h"
#include "widgets/ToolbarIcons.h"

#include <QLabel>
#include <QMovie>

WindowLock::WindowLock(ParcelPicker &picker, ProgressList &list, ToolbarIcons &toolbar, QLabel &busy)
    : m_picker(picker)
    , m_list(list)
    , m_toolbar(toolbar)
    , m_busy(busy) {}

void WindowLock::lock() const {
    m_picker.setEnabled(false);
    m_list.setEnabled(false);
    m_toolbar.setAllEnabled(false);
}

void WindowLock::release() const {
    m_list.setEnabled(true);
    m_picker.setEnabled(!m_heldOnParcel);
    m_toolbar.setAllEnabled(!m_heldOnParcel);
    if (m_heldOnParcel) {
        m_toolbar.setEnabled(ToolbarElement::Directory, true);
    }
}

void WindowLock::holdOnParcel(bool held) {
    m_heldOnParcel = held;
    m_picker.setEnabled(!held);
    m_toolbar.setAllEnabled(!held);
    if (held) {
        m_toolbar.setEnabled(ToolbarElement::Directory, true);
    }
}

void WindowLock::showBusy(bool shown) const {
    m_busy.setVisible(shown);
    if (QMovie *movie = m_busy.movie()) {
        if (shown) {
            movie->start();
        } else {
            movie->stop();
        }
    }
}
