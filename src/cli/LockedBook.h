// The book locked for a command that stores what it learns, as the window locks it, and the work the
// command does in it.
#pragma once

#include "cli/CommandContext.h"
#include "store/ParcelStore.h"

#include <QList>

#include <functional>

class CommandRoad;
class Database;

// Says the book failed (to the error stream); the exit code of a book that could not be used.
int bookUnusable(const CommandContext &context, const Failure &failure);
// Runs work on the book locked for the command; the exit code of the book or of the work. Done means
// mailed too: a mail that did not go out fails a command that otherwise succeeded.
int onLockedBook(const CommandContext &context, const std::function<int(CommandRoad &, Database &)> &work);
// Runs work on the parcels the choice names, in the book locked for the command; the exit code of the
// book, of a choice that names nothing (said why), or of the work.
int onChosenParcels(const CommandContext &context, const ParcelChoice &choice,
                    const std::function<int(CommandRoad &, const QList<ParcelRow> &)> &work);
