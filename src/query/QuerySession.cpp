// Locking the window around a query.
#include "query/QuerySession.h"

#include "widgets/ParcelPicker.h"
#include "widgets/ProgressList.h"
#include "widgets/ToolbarIcons.h"

#include <QLabel>
#include <QMovie>

QuerySession::QuerySession(ParcelPicker &picker, ProgressList &list, ToolbarIcons &toolbar, QLabel &busy)
    : m_picker(picker)
    , m_list(list)
    , m_toolbar(toolbar)
    , m_busy(busy) {}

void QuerySession::lock() const {
    m_picker.setEnabled(false);
    m_list.setEnabled(false);
    m_toolbar.setAllEnabled(false);
}

void QuerySession::unlock() const {
    m_picker.setEnabled(true);
    m_list.setEnabled(true);
    m_toolbar.setAllEnabled(true);
}

void QuerySession::unlockAfterQuery() const {
    if (m_heldOnParcel) {
        m_toolbar.setEnabled(ToolbarElement::Directory, true);
        return;
    }
    m_picker.setEnabled(true);
    m_toolbar.setAllEnabled(true);
}

void QuerySession::holdOnParcel(bool held) {
    m_heldOnParcel = held;
    m_picker.setEnabled(!held);
    m_toolbar.setAllEnabled(!held);
    if (held) {
        m_toolbar.setEnabled(ToolbarElement::Directory, true);
    }
}

void QuerySession::setToolbarEnabled(bool enabled) const {
    m_toolbar.setAllEnabled(enabled);
}

void QuerySession::showBusy(bool shown) const {
    m_busy.setVisible(shown);
    if (QMovie *movie = m_busy.movie()) {
        if (shown) {
            movie->start();
        } else {
            movie->stop();
        }
    }
}
