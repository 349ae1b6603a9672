// The toolbar's one entry point, the settings link and the main window's function keys.
#pragma once

#include <QObject>

#include <functional>

class AddPage;
class DirectoryPage;
class ListOperations;
class OperationsPage;
class QWidget;
class SearchPage;
struct WindowState;

struct ToolbarPages {
    AddPage *add = nullptr;
    OperationsPage *operations = nullptr;
    SearchPage *search = nullptr;
    DirectoryPage *directory = nullptr;
    ListOperations *listOperations = nullptr;
};

class Toolbar final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Toolbar)

public:
    // csh returns the window to idle; window receives the keys.
    Toolbar(WindowState &state, ToolbarPages pages, std::function<void()> csh, QWidget *window);

    // Opens a page or runs a list-wide operation, by toolbar element (1 to 7). Icons, keys and
    // other flows all come through here.
    void activate(int element);
    void openSettings();
    // Opens the directory page over the add page (picker 12) or the operations page (picker 8).
    void openDirectoryFor(int companyPicker);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addKey(int key, std::function<void()> action);
    // F11: back to idle after a confirmation.
    void reinitialise();

    WindowState &m_state;
    ToolbarPages m_pages;
    std::function<void()> m_csh;
    QWidget *m_window;
};
