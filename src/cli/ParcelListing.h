// The list command's output, written row by row as the statement yields the parcels.
#pragma once

#include <QByteArray>
#include <QDateTime>

#include <functional>

class Database;

// Writes every parcel in the order the parcels were added: a table whose columns line up in a
// terminal (the book is read twice, once for the widths and once for the lines), or a JSON array of
// objects. The book is read a page at a time, each page its own short read, so no lock is held while
// the output waits. `write` gets the UTF-8 output in chunks of a bounded size, so a book of any size
// costs the same memory; false from it stops the listing and is returned. The JSON also carries each
// parcel's pickup code, the day it is expected (from the book's delivered parcels, read once before
// the list), its status word and its state at `now`. It runs the book's statements itself, so it is called
// through the store's door (atTheDoor).
bool writeParcelList(Database &db, bool json, const QDateTime &now,
                     const std::function<bool(const QByteArray &)> &write);
