// Change detection: new progress is shown, stored in the parcel row and announced.
#pragma once

#include "query/CurrentParcel.h"
#include "tracking/ProgressReport.h"

class Desktop;
class Feedback;
class MailAlert;
class ParcelStore;
class Sound;
class StatusPanel;
class Switches;

class ChangeDetection final {
public:
    struct Collaborators {
        ParcelStore &parcels;
        StatusPanel &status;
        const Feedback &feedback;
        const Switches &switches;
        Sound &sound;
        QString chimeFile;
        MailAlert &mail;
        Desktop &desktop;
    };
    explicit ChangeDetection(Collaborators collaborators);

    // `gxtj`: compares the parse's row count with the count stored when the parcel was picked.
    void gxtj(const CurrentParcel &parcel, const tracking::ProgressReport &report);

private:
    Collaborators m_with;
};
