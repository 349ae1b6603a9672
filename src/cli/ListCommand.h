// list: every parcel of the book, as a table or as JSON.
#pragma once

#include "cli/CommandContext.h"

// Reads without the lock, so the window may be open meanwhile.
int listParcels(const CommandContext &context, bool json);
