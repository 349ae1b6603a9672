// The seams to the outside world: dialogs, clock, sound, desktop; real ones in the program, fakes in tests.
#pragma once

#include "text/Failure.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class Mailer;
class WebClient;

enum class MessageIcon { Information, Exclamation };
enum class DefaultAnswer { Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message with one OK button.
    virtual void inform(const QString &title, const QString &text, MessageIcon icon) = 0;
    // A modal Yes/No question with the information icon. Enter answers with the default button,
    // Esc with No; a question whose Yes destroys something has No as its default.
    virtual bool ask(const QString &title, const QString &text, DefaultAnswer byDefault) = 0;
    // The file-save dialog, opened on the proposed file (folder and name); nothing when the user cancels.
    virtual std::optional<QString> saveFileName(const QString &proposedFile, const QString &filter) = 0;
};

// How a clock set ended: done, or the system's reason why not.
using ClockSetDone = std::function<void(const Outcome<> &set)>;

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Starts setting the computer's date and time and returns at once: the system may first ask the user
    // for authorisation. done runs later on the calling thread, never inside this call.
    virtual void setSystemTime(const QDateTime &moment, ClockSetDone done) = 0;
};

class Sound {
public:
    virtual ~Sound() = default;
    // Starts playing the file and returns at once.
    virtual void play(const QString &file) = 0;
};

// What a desktop notification says, and the parcel it is about (0: none), so that activating it can
// bring that parcel up.
struct DesktopNotification {
    QString summary;
    QString body;
    qint64 parcelId = 0;

    friend bool operator==(const DesktopNotification &, const DesktopNotification &) = default;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Hands the address to the desktop's browser; failures are not reported.
    virtual void openUrl(const QString &url) = 0;
    // Ends the program at once.
    virtual void quit() = 0;
    // Posts a desktop notification with a plain-text summary and body and returns at once; without a
    // notification service it is dropped unseen.
    virtual void notify(const DesktopNotification &notification) = 0;
    // Called on this thread with the parcel of a notification the user activates. Until a handler is
    // set, notifications offer nothing to activate.
    virtual void setActivationHandler(std::function<void(qint64 parcelId)> handler) = 0;
};

// What the main window receives at construction; the objects are owned by whoever builds the window.
struct Platform {
    Dialogs *dialogs = nullptr;
    Clock *clock = nullptr;
    Sound *sound = nullptr;
    Desktop *desktop = nullptr;
    Mailer *mailer = nullptr;
    WebClient *web = nullptr;
};
