// The database engine's functions, taken from its library when the first book is opened.
#pragma once

#include "text/Failure.h"

// Mapping and linking the engine and the crypto library beneath it takes a few milliseconds, longer
// than the window's first frame may wait: the program does not link it, it opens it on first use, on
// whichever thread asks first (the book's worker at start-up).
struct EngineFunctions;

namespace enginelibrary {

// The engine's functions, its library opened on the first call (a call made meanwhile waits for it),
// or why it cannot be opened.
const Outcome<const EngineFunctions *> &load();

} // namespace enginelibrary
