// Fills a program folder's book with generated parcels, for the start-up measurement, and times the
// quick check a start runs (off the window's thread) before it copies the book. Given a third path, it
// also writes the goods texts there, one a line, for the anchor window's combo. With --entries N, every
// parcel also gets a stored answer of N entries, and the book's size is printed.
#include "GeneratedEntries.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char *argv[]) {
    int entriesEach = 0;
    if (argc > 2 && std::strcmp(argv[1], "--entries") == 0) {
        entriesEach = std::atoi(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc != 3 && argc != 4) {
        std::fputs("usage: parcelbook-fill-book [--entries N] <database file> <parcel count> [goods file]\n",
                   stderr);
        return 2;
    }
    const int count = std::atoi(argv[2]);
    try {
        Database db = Database::open(QString::fromLocal8Bit(argv[1]), schema::databasePassword());
        ParcelStore parcels(db);
        // The program adds the progress tables on its first open; a book with stored answers needs
        // them now (a bare one is left for the first start to upgrade, as a user's older book is).
        if (entriesEach > 0) {
            ProgressStore::addMissingTables(db);
        }
        ProgressStore progress(db);
        const QDateTime checkedAt(QDate(2026, 12, 8), QTime(10, 0));
        QString goodsLines;
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < count; ++i) {
            const QString goods = QStringLiteral("网购物品 %1").arg(i);
            const Outcome<ParcelId> id =
                parcels.add(QStringLiteral("圆通速递"), QString::number(3101234500000LL + i), goods);
            if (!id) {
                qFatal("%s", qPrintable(id.failure().reason));
            }
            goodsLines += goods + QLatin1Char('\n');
            if (entriesEach > 0) {
                const QList<ProgressEntry> entries = generatedEntries(i, entriesEach);
                const ProgressRow row{QStringLiteral("运送中"), entries.first().context, entries.first().time,
                                      checkedAt, false};
                if (!progress.record(*id, row, false) || !progress.replaceEntries(*id, entries) ||
                    !parcels.setCount(*id, entriesEach).ok()) {
                    qFatal("the progress of parcel %d was not stored", i);
                }
            }
        }
        db.exec(QStringLiteral("COMMIT"));
        if (entriesEach > 0) {
            std::printf("book of %d parcels with %d entries each: %lld bytes\n", count, entriesEach,
                        static_cast<long long>(QFileInfo(QString::fromLocal8Bit(argv[1])).size()));
        }
        if (argc == 4) {
            QFile goodsFile(QString::fromLocal8Bit(argv[3]));
            if (!goodsFile.open(QIODevice::WriteOnly) || goodsFile.write(goodsLines.toUtf8()) < 0) {
                std::fprintf(stderr, "cannot write %s\n", argv[3]);
                return 1;
            }
        }
        db.close();
        // A fresh connection, as the copy's check opens one: its page cache starts empty.
        QElapsedTimer timer;
        timer.start();
        Database checked = Database::open(QString::fromLocal8Bit(argv[1]), schema::databasePassword());
        const qint64 opening = timer.elapsed();
        const QString found = checked.quickCheck();
        std::printf("quick check of %d parcels: %lld ms (opening %lld ms) %s\n", count,
                    static_cast<long long>(timer.elapsed()), static_cast<long long>(opening),
                    found.isEmpty() ? "ok" : "FAILED");
    } catch (const StoreError &error) {
        std::fprintf(stderr, "%s\n", error.description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
