// The program's places.
#include "store/ProgramFolder.h"

#include "store/Database.h"
#include "store/ProgressStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/FailureReason.h"
#include "text/RegularFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>
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

QString systemReason(int error) {
    return fileFailureReason(error, FileAccess::Write, QString::fromLocal8Bit(std::strerror(error)));
}

// The copies of the book in its folder: the backup, the generations folder, copies kept before a
// layout change (db/parcelbook-*-before-upgrade-*.mdb).
QStringList copiesOfTheBook(const QString &bookFolder) {
    const QString db = bookFolder + QStringLiteral("/db");
    QStringList copies;
    if (const QFileInfo backup(bookFolder + schema::backupFile()); backup.exists() || backup.isSymLink()) {
        copies.append(backup.filePath());
    }
    if (const QFileInfo generations(db + QStringLiteral("/backups"));
        generations.exists() || generations.isSymLink()) {
        copies.append(generations.filePath());
    }
    for (const QString &name : QDir(db).entryList({QStringLiteral("parcelbook-*-before-upgrade-*.mdb")},
                                                  QDir::Files | QDir::System)) {
        copies.append(db + QLatin1Char('/') + name);
    }
    return copies;
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

Outcome<> provideBook(const Places &places) {
    if (places.book.isEmpty()) {
        return Failure{
            QStringLiteral("没有设置 HOME(也没有以 / 开头的 XDG_DATA_HOME),不知道把快递列表放在哪里"), {}};
    }
    const QString target = places.book + schema::databaseFile();
    const QFileInfo there(target);
    if (!places.bookFromTemplate || there.exists() || there.isSymLink() ||
        holdsCopiesOfTheBook(places.book)) {
        return {};
    }
    const QString folder = QFileInfo(target).absolutePath();
    if (!makePrivateFolder(folder)) {
        return Failure{QStringLiteral("无法创建文件夹 %1").arg(folder), {}};
    }
    const Outcome<std::unique_ptr<QFile>> source = openRegularFile(places.templateFile());
    if (!source) {
        return source.failure();
    }
    // Written whole under a temporary name, then linked to the book's name, which fails rather than
    // replaces when a book appeared meanwhile (another copy starting at the same moment).
    QTemporaryFile copy(folder + QStringLiteral("/.parcelbook-XXXXXX"));
    if (!copy.open()) {
        return Failure{
            QStringLiteral("无法在 %1 中写入:%2")
                .arg(folder, fileFailureReason(copy.error(), copy.errorString(), FileAccess::Write)),
            copy.errorString()};
    }
    const QByteArray delivered = (*source)->readAll();
    if (copy.write(delivered) != delivered.size() || !copy.flush()) {
        return Failure{
            QStringLiteral("无法写入 %1:%2")
                .arg(target, fileFailureReason(copy.error(), copy.errorString(), FileAccess::Write)),
            copy.errorString()};
    }
    if (::fsync(copy.handle()) != 0) {
        return Failure{QStringLiteral("无法写入 %1:%2").arg(target, systemReason(errno)), {}};
    }
    // The new book gets this program's tables before it has its name, so its first start changes
    // no layout and keeps no copy of an empty book.
    try {
        Database created = Database::open(copy.fileName(), schema::databasePassword());
        ProgressStore::addMissingTables(created);
    } catch (const StoreError &error) {
        return Failure{QStringLiteral("无法写入 %1:%2").arg(target, error.reason()), error.description()};
    }
    const QByteArray from = QFile::encodeName(copy.fileName());
    const QByteArray to = QFile::encodeName(target);
    if (::link(from.constData(), to.constData()) != 0 && errno != EEXIST) {
        return Failure{QStringLiteral("无法创建 %1:%2").arg(target, systemReason(errno)), {}};
    }
    return {};
}

bool holdsCopiesOfTheBook(const QString &bookFolder) {
    return !copiesOfTheBook(bookFolder).isEmpty();
}

Outcome<> startNewBook(const Places &places, const QDateTime &now) {
    const QString aside =
        places.book + QStringLiteral("/db/previous-") + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    const QByteArray asideName = QFile::encodeName(aside);
    if (::mkdir(asideName.constData(), 0700) != 0) {
        return Failure{QStringLiteral("无法创建文件夹 %1:%2").arg(aside, systemReason(errno)), {}};
    }
    // Moved, never copied or deleted: each keeps its name inside the folder.
    for (const QString &copy : copiesOfTheBook(places.book)) {
        const QString moved = aside + QLatin1Char('/') + QFileInfo(copy).fileName();
        if (::rename(QFile::encodeName(copy).constData(), QFile::encodeName(moved).constData()) != 0) {
            return Failure{QStringLiteral("无法把 %1 移到 %2:%3").arg(copy, aside, systemReason(errno)), {}};
        }
    }
    return provideBook(places);
}

} // namespace programfolder
