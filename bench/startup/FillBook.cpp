// Fills a program folder's book with generated parcels, for the start-up measurement.
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fputs("usage: parcelbook-fill-book <database file> <parcel count>\n", stderr);
        return 2;
    }
    const int count = std::atoi(argv[2]);
    try {
        Database db = Database::open(QString::fromLocal8Bit(argv[1]), schema::databasePassword());
        ParcelStore parcels(db);
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < count; ++i) {
            parcels.add(QStringLiteral("圆通速递"), QString::number(3101234500000LL + i),
                        QStringLiteral("网购物品 %1").arg(i));
        }
        db.exec(QStringLiteral("COMMIT"));
    } catch (const StoreError &error) {
        std::fprintf(stderr, "%s\n", error.description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
