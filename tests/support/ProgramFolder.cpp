// Temporary program folders for tests, built from the real database tool's output.
#include "support/ProgramFolder.h"

#include "support/Must.h"

#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

// A file of the build tree, looked for from the running program's folder upward, so a tree moved or
// copied after it was built still finds its tools.
QString buildTreeFile(const char *inTree) {
    QDir folder(QCoreApplication::applicationDirPath());
    do {
        if (const QString path = folder.filePath(QString::fromUtf8(inTree)); QFile::exists(path)) {
            return path;
        }
    } while (folder.cdUp());
    qFatal("%s is in no folder above %s", inTree, qPrintable(QCoreApplication::applicationDirPath()));
}

// The delivered database, made once per test process by the real tool.
QString templateDatabase() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString out = folder.path() + QStringLiteral("/parcelbook.mdb");
        const int exitCode =
            QProcess::execute(buildTreeFile(PARCELBOOK_MKDB_IN_TREE),
                              {QStringLiteral("--couriers"), buildTreeFile(PARCELBOOK_COURIERS_IN_TREE),
                               QStringLiteral("--out"), out, QStringLiteral("--force")});
        if (exitCode != 0 || !QFile::exists(out)) {
            qFatal("parcelbook-mkdb failed");
        }
        return out;
    }();
    return path;
}

// A test never reads the services file of the person who runs it: the services are the ones it sets.
// Its configuration folder is one that is never made, unless a test points it elsewhere itself.
void withoutTheUsersServices() {
    qputenv("XDG_CONFIG_HOME",
            (QDir::tempPath() +
             QStringLiteral("/parcelbook-test-%1-no-config").arg(QCoreApplication::applicationPid()))
                .toUtf8());
}
Q_CONSTRUCTOR_FUNCTION(withoutTheUsersServices)

} // namespace

TempProgramFolder::TempProgramFolder() {
    QDir(m_dir.path()).mkdir(QStringLiteral("db"));
    if (!QFile::copy(templateDatabase(), databasePath())) {
        qFatal("cannot copy the database template");
    }
}

QString TempProgramFolder::databasePath() const {
    return m_dir.path() + schema::databaseFile();
}

QString TempProgramFolder::backupPath() const {
    return m_dir.path() + schema::backupFile();
}

Database TempProgramFolder::open() const {
    return Database::open(databasePath(), schema::databasePassword());
}

void TempProgramFolder::addParcel(const QString &company, const QString &number, const QString &goods) const {
    Database db = open();
    must(ParcelStore(db).add(company, number, goods));
}

void TempProgramFolder::addDeliveredParcels(const QString &company, QDate today) const {
    Database db = open();
    ProgressStore::addMissingTables(db);
    ProgressStore progress(db);
    for (int i = 1; i <= 3; ++i) {
        const ParcelId id =
            must(ParcelStore(db).add(company, QStringLiteral("SF100%1").arg(i), QStringLiteral("旧书")));
        const QDate accepted = today.addDays(-10 * i);
        const QString signedAt = accepted.addDays(2).toString(Qt::ISODate) + QStringLiteral(" 10:00:00");
        must(progress.record(id, {QStringLiteral("已签收"), QStringLiteral("已签收"), signedAt, {}, {}},
                             false));
        must(progress.replaceEntries(
            id, {{signedAt, QStringLiteral("已签收")},
                 {accepted.toString(Qt::ISODate) + QStringLiteral(" 10:00:00"), QStringLiteral("已揽收")}}));
    }
}

void TempProgramFolder::addManyParcels() const {
    Database db = open();
    ParcelStore parcels(db);
    db.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 3000; ++i) {
        must(parcels.add(QStringLiteral("圆通速递"), QString::number(i), QString(400, QLatin1Char('x'))));
    }
    db.exec(QStringLiteral("COMMIT"));
}

bool TempProgramFolder::damageMiddle() const {
    QFile book(databasePath());
    return book.open(QIODevice::ReadWrite) && book.size() > 1024 * 1024 && book.seek(book.size() / 2) &&
           book.write(QByteArray(20 * 1024, '\x5a')) == 20 * 1024;
}
