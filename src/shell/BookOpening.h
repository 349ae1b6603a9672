// Opening the book at start-up: one running copy per book, a missing or damaged book put back from its
// copies or made anew on the user's word, and the user told what kept the book from opening.
#pragma once

#include "store/BookFile.h"
#include "store/ProgramFolder.h"

#include <optional>

class Feedback;
class InstanceChannel;
struct Platform;
struct ServiceAddresses;

class BookOpening {
public:
    struct Collaborators {
        BookFile &book;
        const programfolder::Places &places;
        const Feedback &feedback;
        const Platform &platform;
        // The maker's site is offered when the book's file is no database at all.
        const ServiceAddresses &services;
        // Listens once the book is ours, for a second start that asks this window to the front.
        InstanceChannel &channel;
    };
    explicit BookOpening(Collaborators collaborators);

    // Whether the book is this copy's: false when another copy holds it or it is not there (the
    // user has been told). Decided once.
    bool claim();
    // Backup copy, single-instance test and connection; false when the program must end.
    bool open();
    // Puts the copy in the book's place and says so; false, said, when that failed.
    bool restoreBook(const QString &copy);

private:
    // True for an opened book; otherwise tells the user why not.
    bool opened(const Outcome<> &result);
    // The book is gone: its newest good copy is put back, or a new empty book is made with the old
    // copies set aside, as the user chooses; true when there is a book to open.
    bool recoverMissingBook(const Outcome<> &locked);

    Collaborators m_with;
    std::optional<bool> m_claimed;
};
