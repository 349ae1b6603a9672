// Finding the platform modules beside the program.
#include "platform/PlatformModules.h"

#include <QLibrary>

namespace platformmodules {

QString smtpFile() {
    return QStringLiteral(PARCELBOOK_SMTP_MODULE);
}

QString soundFile() {
    return QStringLiteral(PARCELBOOK_SOUND_MODULE);
}

QFunctionPointer resolve(const QString &folder, const QString &file, const char *function, QString *error) {
    QLibrary library(folder + QLatin1Char('/') + file);
    const QFunctionPointer found = library.load() ? library.resolve(function) : nullptr;
    if (!found && error) {
        *error = library.errorString();
    }
    return found;
}

} // namespace platformmodules
