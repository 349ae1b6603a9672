// The platform parts built as modules beside the program, and the C functions that make them.
#pragma once

#include "text/Failure.h"

#include <QFunctionPointer>
#include <QString>
#include <QtGlobal>

class Mailer;
class Sound;
class WebClient;
struct MailSettings;

// Each module exports one of these with C linkage; the program finds it by name once the module is
// loaded, and owns what it returns.
extern "C" {
Q_DECL_EXPORT Mailer *parcelbook_create_mailer(const MailSettings *settings);
Q_DECL_EXPORT Sound *parcelbook_create_sound();
Q_DECL_EXPORT WebClient *parcelbook_create_web_client();
}

namespace platformmodules {

// The module files' names, as the build lays them beside the program.
QString smtpFile();
QString soundFile();
QString webFile();

// Loads the file from the folder and returns the function of that name; a failure ("模块 … 无法加载",
// the loader's words as its detail) when the file is missing, cannot be loaded or lacks it. A loaded
// module stays loaded.
Outcome<QFunctionPointer> resolve(const QString &folder, const QString &file, const char *function);

} // namespace platformmodules
