// Where the program's files live, and the service addresses it talks to.
#pragma once

#include <QString>

namespace programfolder {

// The executable's folder, unless PARCELBOOK_PROGRAM_DIR names another; no trailing separator.
QString resolve();

} // namespace programfolder
