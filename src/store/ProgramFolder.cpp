// The program's places.
#include "store/ProgramFolder.h"

#include "store/Schema.h"
#include "text/FailureReason.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace programfolder {

namespace {

QString clean(const QString &folder) {
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    return path;
}

// Where an installed program finds its data and modules, relative to its own folder.
QString installed(const QString &executableFolder, const char *relative) {
    return clean(executableFolder + QLatin1Char('/') + QString::fromUtf8(relative));
}

// Creates the folder and the ones above it that are missing, each readable by the user only.
bool makePrivateFolder(const QString &folder) {
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder && !makePrivateFolder(parent)) {
        return false;
    }
    return QDir().mkdir(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner) ||
           QFileInfo(folder).isDir();
}

} // namespace

QString Places::templateFile() const {
    return data + schema::databaseFile();
}

Places resolve(const QString &configured, const QString &executableFolder, const QString &userDataFolder) {
    const QString program = clean(executableFolder);
    Places places;
    if (!configured.isEmpty()) {
        places.book = clean(configured);
    } else if (QFileInfo::exists(program + schema::databaseFile())) {
        places.book = program;
    } else {
        places.book = userDataFolder.isEmpty() ? QString() : clean(userDataFolder);
        places.bookFromTemplate = true;
    }
    // The chime beside the book or the program (a program folder), else where the package put it.
    places.data = installed(program, PARCELBOOK_DATA_FROM_BIN);
    for (const QString &folder : {places.book, program}) {
        if (QFileInfo::exists(folder + QStringLiteral("/ts.mp3"))) {
            places.data = folder;
            break;
        }
    }
    const QString modules = installed(program, PARCELBOOK_MODULES_FROM_BIN);
    places.modules = QFileInfo(modules).isDir() ? modules : program;
    return places;
}

QString userDataFolder(const QString &dataHome, const QString &home) {
    // A relative XDG_DATA_HOME is ignored, as the XDG rules say; without an absolute HOME there is no
    // user folder at all (never the root folder).
    if (QDir::isAbsolutePath(dataHome)) {
        return clean(dataHome) + QStringLiteral("/parcelbook");
    }
    if (QDir::isAbsolutePath(home)) {
        return clean(home) + QStringLiteral("/.local/share/parcelbook");
    }
    return {};
}

Places resolve() {
    return resolve(qEnvironmentVariable("PARCELBOOK_PROGRAM_DIR"), QCoreApplication::applicationDirPath(),
                   userDataFolder(qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("HOME")));
}

QString provideBook(const Places &places) {
    if (places.book.isEmpty()) {
        return QStringLiteral("没有设置 HOME(也没有以 / 开头的 XDG_DATA_HOME),不知道把快递列表放在哪里");
    }
    const QString target = places.book + schema::databaseFile();
    if (!places.bookFromTemplate || QFileInfo::exists(target)) {
        return {};
    }
    const QString folder = QFileInfo(target).absolutePath();
    if (!makePrivateFolder(folder)) {
        return QStringLiteral("无法创建文件夹 %1").arg(folder);
    }
    QFile source(places.templateFile());
    if (!source.open(QIODevice::ReadOnly)) {
        return QStringLiteral("无法读取 %1:%2")
            .arg(places.templateFile(),
                 fileFailureReason(source.error(), source.errorString(), FileAccess::Read));
    }
    // Written whole under a temporary name, then linked to the book's name, which fails rather than
    // replaces when a book appeared meanwhile (another copy starting at the same moment).
    QTemporaryFile copy(folder + QStringLiteral("/.parcelbook-XXXXXX"));
    if (!copy.open() || copy.write(source.readAll()) != source.size() || !copy.flush() ||
        ::fsync(copy.handle()) != 0) {
        return QStringLiteral("无法写入 %1:%2")
            .arg(folder, fileFailureReason(copy.error(), copy.errorString(), FileAccess::Write));
    }
    const QByteArray from = QFile::encodeName(copy.fileName());
    const QByteArray to = QFile::encodeName(target);
    if (::link(from.constData(), to.constData()) != 0 && errno != EEXIST) {
        const int error = errno;
        return QStringLiteral("无法创建 %1:%2")
            .arg(target,
                 fileFailureReason(error, FileAccess::Write, QString::fromLocal8Bit(std::strerror(error))));
    }
    return {};
}

} // namespace programfolder
