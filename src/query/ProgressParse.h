// Entry counting and the deferred parse that fills the progress list and the status panel.
#pragma once

#include "query/CurrentParcel.h"
#include "tracking/TrackingText.h"

#include <QList>
#include <QObject>

#include <optional>

class AnomalyWatch;
class ChangeDetection;
class Clock;
class Feedback;
class ParcelBook;
class ProgressList;
class QTimer;
class QuerySession;
class StatusPanel;

class ProgressParse final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressParse)

public:
    struct Collaborators {
        ParcelBook &book;
        QuerySession &session;
        ProgressList &list;
        StatusPanel &status;
        const Feedback &feedback;
        AnomalyWatch &watch;
        ChangeDetection &changes;
        const Clock &clock;
    };
    ProgressParse(Collaborators collaborators, QObject *parent);

    // `hx2`: keeps a successful answer's entries for the parcel it is for and arms Timer1; the
    // parse then runs 100 ms later, so the window repaints first.
    void hx2(const CurrentParcel &parcel, QList<ProgressEntry> entries);
    // `ql`: forgets an armed answer (after its parse, on a return to idle, or when a newer request
    // is sent).
    void ql();

private:
    // Tick of Timer1.
    void parse();

    struct Armed {
        CurrentParcel parcel;
        QList<ProgressEntry> entries;
    };

    Collaborators m_with;
    QTimer *m_timer;
    std::optional<Armed> m_armed;
};
