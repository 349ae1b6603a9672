// export: a parcel queried and its progress written as the window's export writes it.
#pragma once

#include "cli/CommandContext.h"
#include "text/ExportText.h"

// Writes only a new file or, with `replace`, over a regular file; never onto a device, pipe, socket,
// folder or symbolic link. The file "-" is standard output, which then gets those bytes and nothing else.
int exportParcel(const CommandContext &context, const ParcelChoice &choice, const QString &file, bool replace,
                 ExportEncoding encoding);
