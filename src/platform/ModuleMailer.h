// The program's mail seam: each mail goes through the SMTP module, with the mail settings as they stand.
#pragma once

#include "mail/CurrentSettingsMailer.h"

// The module is looked for in moduleFolder, normally the program's own folder; it is loaded on the first
// mail. Without it the mail fails naming the module's file (the loader's words go to the log), and the
// next mail tries again.
std::unique_ptr<CurrentSettingsMailer> moduleMailer(CurrentSettingsMailer::SettingsSource settings,
                                                    const QString &moduleFolder);
