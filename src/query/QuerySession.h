// The window's lock around a query: which controls the user may touch, and the busy indicator.
#pragma once

class ParcelPicker;
class ProgressList;
class QLabel;
class ToolbarIcons;

class QuerySession final {
public:
    QuerySession(ParcelPicker &picker, ProgressList &list, ToolbarIcons &toolbar, QLabel &busy);

    // Picker, progress list and toolbar off while a query runs.
    void lock() const;
    // Picker, progress list and toolbar on again.
    void unlock() const;
    // After a parse: the picker and the toolbar come back unless a loop or timed query holds the
    // window on the current parcel; then only the directory icon does.
    void unlockAfterQuery() const;
    // A loop or timed query holds the window on the current parcel (picker and toolbar off, the
    // directory icon on), or lets it go (picker and toolbar on).
    void holdOnParcel(bool held);
    void setToolbarEnabled(bool enabled) const;
    void showBusy(bool shown) const;

private:
    ParcelPicker &m_picker;
    ProgressList &m_list;
    ToolbarIcons &m_toolbar;
    QLabel &m_busy;
    bool m_heldOnParcel = false;
};
