// The window's fixed layout: 770 × 517 pixels, its controls at the coordinates and under the names of
// the original layout, which readers and tests find them by.
#pragma once

class ParcelPicker;
class ProgressList;
class QLabel;
class QTreeWidget;
class QWidget;
class StatusPanel;
class ToolbarIcons;

struct WindowControls {
    QLabel *siteLink = nullptr;
    QLabel *settingsLink = nullptr;
    QLabel *overviewLink = nullptr;
    QLabel *makerLink = nullptr;
    QLabel *hintLine = nullptr;
    QLabel *versionLabel = nullptr;
    QLabel *clockLabel = nullptr;
    QLabel *busy = nullptr;
    StatusPanel *status = nullptr;
    ToolbarIcons *icons = nullptr;
    ParcelPicker *picker = nullptr;
    ProgressList *list = nullptr;
};

// Names, titles, sizes and paints the window white, and places its controls on it.
WindowControls arrangeWindow(QWidget &window);
// Columns can be neither resized nor moved, cells not edited.
void lockHeaders(QTreeWidget &list);
