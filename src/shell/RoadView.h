// What the window shows of the tracker's road: the hint line, the lock and busy indicator, the progress
// list and status panel, and the picker following parcels added and removed.
#pragma once

#include "tracker/TrackedParcel.h"
#include "tracking/ProgressReport.h"

#include <QObject>

#include <functional>

class Feedback;
class ParcelBook;
class ProgressList;
class StatusPanel;
class UserSettings;
class WindowLock;
struct PageSet;

class RoadView final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoadView)

public:
    struct Collaborators {
        ParcelBook &book;
        const PageSet &pages;
        WindowLock &lock;
        ProgressList &list;
        StatusPanel &status;
        const Feedback &feedback;
        const UserSettings &switches;
    };
    // returnToIdle is the window's return to idle, run when a query is given up.
    RoadView(Collaborators collaborators, std::function<void()> returnToIdle, QObject *parent);

private:
    void showNothingKnown();
    void showProgress(const TrackedParcel &parcel, const tracking::ProgressReport &report,
                      tracking::UpdateState update);
    // Lists every stored parcel whose number contains the one being added, and queries the first.
    void listDuplicates(const QString &number);

    Collaborators m_with;
    std::function<void()> m_returnToIdle;
};
