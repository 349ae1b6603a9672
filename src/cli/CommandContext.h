// What every command of parcelbook-cli is given (where the book is, the services, the streams) and
// the exit codes it ends with.
#pragma once

#include "net/ServiceAddresses.h"
#include "store/ParcelId.h"
#include "store/ProgramFolder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

class Desktop;
class Mailer;
class WebClient;

// The exit codes scripts can rely on.
enum ExitCode : int {
    Success = 0,
    // A parcel could not be asked or answered (the service refused, did not answer, or is not set), or
    // an output or a mail did not go out; said why. A service that does not know a number answered.
    ServiceSaidOtherwise = 1,
    Usage = 2,
    BookInUse = 3, // the window holds the book
    BookUnusable = 4,
};

// Which parcels a command is for.
struct ParcelChoice {
    enum Kind { ByNumber, ById, All } kind = All;
    // The tracking number, for ByNumber.
    QString value;
    // The row, for ById.
    ParcelId id;
};

struct CommandContext {
    programfolder::Places places;
    ServiceAddresses services;
    std::function<QDateTime()> now;
    // Where results go (as text, and as bytes for an export to standard output; false when they
    // could not be written), and where failures, hints and the progress line go.
    std::function<void(const QString &)> out;
    std::function<bool(const QByteArray &)> outBytes;
    std::function<void(const QString &)> err;
    // Where notes on how the command goes are said (a mail being sent, a mail sent): the output of a
    // text, nowhere beside JSON or exported bytes, so the error stream carries failures and warnings
    // alone and a cron job mails only on trouble.
    std::function<void(const QString &)> note;
    // Shows "查询 2/5" on one line rewritten in place (a terminal watches stderr).
    bool showProgress = false;
    // Where new progress is announced: a desktop notification and the update mail, as the book's
    // settings say (a terminal plays no sound).
    Desktop *desktop = nullptr;
    Mailer *mailer = nullptr;
    // Where the services are asked.
    WebClient *web = nullptr;
};
