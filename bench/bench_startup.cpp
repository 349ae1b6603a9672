// Picker reload and main-window start-up over a book of 10,000 parcels.
#include "shell/MainWindow.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "support/FakePlatform.h"
#include "support/ProgramFolder.h"
#include "widgets/ParcelPicker.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int bookSize = 10000;

TempProgramFolder &bigBook() {
    static TempProgramFolder folder = [] {
        TempProgramFolder made;
        Database db = made.open();
        ParcelStore parcels(db);
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < bookSize; ++i) {
            parcels.add(QStringLiteral("圆通速递"), QString::number(3101234500000LL + i),
                        QStringLiteral("网购物品 %1").arg(i));
        }
        db.exec(QStringLiteral("COMMIT"));
        return made;
    }();
    return folder;
}

void pickerReload(benchmark::State &state) {
    Database db = bigBook().open();
    ParcelStore parcels(db);
    QWidget host;
    ParcelPicker picker(&host);
    for (auto _ : state) {
        picker.read(parcels);
    }
    if (picker.count() != bookSize) {
        state.SkipWithError("the picker did not list every parcel");
    }
}

void windowStart(benchmark::State &state) {
    FakePlatform fake;
    const QString folder = bigBook().path();
    for (auto _ : state) {
        MainWindow window(fake.platform(), folder);
        if (!window.start()) {
            state.SkipWithError("start-up failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(pickerReload)->Unit(benchmark::kMillisecond);
BENCHMARK(windowStart)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
