// watch: one pass over every parcel not signed for.
#pragma once

#include "cli/CommandContext.h"

// A failing parcel said on the error stream as it comes, a one-line summary at the end.
int watchParcels(const CommandContext &context);
