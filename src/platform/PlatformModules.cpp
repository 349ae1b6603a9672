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

QString webFile() {
    return QStringLiteral(PARCELBOOK_WEB_MODULE);
}

Outcome<QFunctionPointer> resolve(const QString &folder, const QString &file, const char *function) {
    QLibrary library(folder + QLatin1Char('/') + file);
    const QFunctionPointer found = library.load() ? library.resolve(function) : nullptr;
    if (!found) {
        qWarning("%s", qPrintable(library.errorString()));
        return Failure{QStringLiteral("模块 %1 无法加载").arg(file), library.errorString()};
    }
    return found;
}

} // namespace platformmodules
