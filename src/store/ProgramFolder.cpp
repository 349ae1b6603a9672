// The program folder.
#include "store/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace programfolder {

QString resolve() {
    const QString configured = qEnvironmentVariable("PARCELBOOK_PROGRAM_DIR");
    const QString folder = configured.isEmpty() ? QCoreApplication::applicationDirPath() : configured;
    QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (clean.size() > 1 && clean.endsWith(QLatin1Char('/'))) {
        clean.chop(1);
    }
    return clean;
}

} // namespace programfolder
