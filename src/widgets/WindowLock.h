// The window's lock around a query: which controls the user may touch, and the busy indicator.
#pragma once

class ParcelPicker;
class ProgressList;
class QLabel;
class ToolbarIcons;

class WindowLock final {
public:
    WindowLock(ParcelPicker &picker, ProgressList &list, ToolbarIcons &toolbar, QLabel &busy);

    // Picker, progress list and toolbar off while a query runs.
    void lock() const;
    // The progress list on; the picker and the toolbar too, unless a loop or timed query holds the
    // window on the current parcel: then only the directory icon.
    void release() const;
    // A loop or timed query holds the window on the current parcel, or lets it go.
    void holdOnParcel(bool held);
    void showBusy(bool shown) const;

private:
    ParcelPicker &m_picker;
    ProgressList &m_list;
    ToolbarIcons &m_toolbar;
    QLabel &m_busy;
    bool m_heldOnParcel = false;
};
