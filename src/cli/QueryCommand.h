// query: the chosen parcels asked of the service, their progress printed and stored.
#pragma once

#include "cli/CommandContext.h"

// A failure is said on the error stream in either form; on a terminal, query --all rewrites a
// "查询 i/n" line there as it goes.
int queryParcels(const CommandContext &context, const ParcelChoice &choice, bool json);
