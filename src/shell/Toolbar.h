// The toolbar's one entry point, the settings and overview links and the main window's function keys.
#pragma once

#include "widgets/PageSet.h"
#include "widgets/ToolbarIcons.h"

#include <QObject>

#include <functional>

class AddPage;
class DirectoryPage;
class Feedback;
class ListOperations;
class OperationsPage;
class OverviewPage;
class ParcelPicker;
class QLabel;
class QWidget;
class SearchPage;
class SettingsPage;

struct ToolbarPages {
    AddPage *add = nullptr;
    SettingsPage *settings = nullptr;
    OperationsPage *operations = nullptr;
    SearchPage *search = nullptr;
    DirectoryPage *directory = nullptr;
    OverviewPage *overview = nullptr;

    PageSet pageSet() const;
};

// The two pages whose company picker opens the directory.
enum class CompanyPicker { Add, Operations };

class Toolbar final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Toolbar)

public:
    struct Collaborators {
        ToolbarIcons &icons;
        // The pages as the window holds them; opening one builds them first.
        const PageSet &pageSet;
        std::function<const ToolbarPages &()> pages;
        ListOperations &listOperations;
        const Feedback &feedback;
        ParcelPicker &picker;
        QLabel *settingsLink;
        QLabel *overviewLink;
    };
    // returnToIdle returns the window to idle; window receives the keys.
    Toolbar(Collaborators collaborators, std::function<void()> returnToIdle, QWidget *window);

    // Opens a page or runs a list-wide operation. Icons, keys and other flows all come through here.
    void activate(ToolbarElement element);
    void openSettings();
    // The overview of every parcel (F2 and the link beside "设置").
    void openOverview();
    // Opens the directory page over the add page or the operations page.
    void openDirectoryFor(CompanyPicker picker);
    // A company chosen in the directory goes to the add page or the operations page, whichever is open.
    void companyChosen(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addKey(int key, std::function<void()> action);
    void showDirectory();
    // F11: back to idle after a confirmation.
    void reinitialise();

    Collaborators m_with;
    const PageSet &m_pageSet;
    std::function<void()> m_returnToIdle;
    QWidget *m_window;
};
