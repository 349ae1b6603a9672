// Picker reload (warm) and first read (cold) over books of 10,000 and 100,000 parcels, the overview's model
// over the first, main-window start-up over it, and over a book that keeps 30 entries of every parcel a
// pick in the window, the overview with every parcel's pickup code and expected day, and the estimates
// alone.
#include "RatioReporter.h"
#include "overview/OverviewModel.h"
#include "shell/MainWindow.h"
#include "startup/GeneratedEntries.h"
#include "store/BookFile.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "support/FakePlatform.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "tracking/DeliveryEstimate.h"
#include "widgets/ParcelPicker.h"

#include <QApplication>
#include <QComboBox>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <optional>

namespace {

constexpr int bookSize = 10000;
constexpr int entriesEach = 30;

// With `answerEntries`, every parcel checked keeps a stored answer of that many entries.
TempProgramFolder &bookOf(int parcelCount, int answerEntries = 0) {
    static std::map<std::pair<int, int>, std::unique_ptr<TempProgramFolder>> books;
    std::unique_ptr<TempProgramFolder> &book = books[{parcelCount, answerEntries}];
    if (!book) {
        book = std::make_unique<TempProgramFolder>();
        Database db = book->open();
        ParcelStore parcels(db);
        // The program adds the progress tables on first open; this book is filled before that.
        ProgressStore::addMissingTables(db);
        ProgressStore progress(db);
        const QDateTime checked(QDate(2026, 12, 8), QTime(10, 0));
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < parcelCount; ++i) {
            const ParcelId id =
                must(parcels.add(QStringLiteral("圆通速递"), QString::number(3101234500000LL + i),
                                 QStringLiteral("网购物品 %1").arg(i)));
            // Most parcels have been checked, some signed for, a few never.
            if (i % 8 != 0) {
                const QString status = i % 3 == 0 ? QStringLiteral("已签收") : QStringLiteral("运送中");
                // A stored answer's newest entry is the one the row shows, as the program records them.
                const QList<ProgressEntry> answer = generatedEntries(i, answerEntries);
                const ProgressEntry newest =
                    answer.isEmpty() ? ProgressEntry{checked.addSecs(-97LL * i).toString(
                                                         QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                                     QStringLiteral("【杭州市】快件已到达 杭州转运中心")}
                                     : answer.first();
                must(progress.record(id, {status, newest.context, newest.time, checked, {}}, i % 5 == 0));
                if (!answer.isEmpty()) {
                    must(progress.replaceEntries(id, answer));
                }
            }
        }
        db.exec(QStringLiteral("COMMIT"));
    }
    return *book;
}

// Through the book file as the program opens it, so the connection is set up the program's way.
void pickerReload(benchmark::State &state) {
    const int parcelCount = static_cast<int>(state.range(0));
    BookFile book(bookOf(parcelCount).path(), QDate::currentDate());
    if (!book.open()) {
        state.SkipWithError("the book did not open");
        return;
    }
    ParcelStore parcels(book.database());
    QWidget host;
    ParcelPicker picker(&host);
    for (auto _ : state) {
        if (!picker.reload(parcels)) {
            state.SkipWithError("the book could not be read");
        }
    }
    if (picker.count() != parcelCount) {
        state.SkipWithError("the picker did not list every parcel");
    }
}

// The first read as the program makes it at start: on a fresh connection, whose page cache is empty,
// so every page is read and decrypted once. Opening the connection (the key's derivation) is not timed.
void pickerFirstRead(benchmark::State &state) {
    const int parcelCount = static_cast<int>(state.range(0));
    const TempProgramFolder &folder = bookOf(parcelCount);
    PickerEntries entries;
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<Database> db(folder.open());
        state.ResumeTiming();
        must(ParcelStore(*db).pickerEntries(entries));
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    if (entries.size() != parcelCount) {
        state.SkipWithError("the first read did not list every parcel");
    }
}

// What opening the overview costs: every parcel and its progress read from the book, then the lines
// made, estimated and ordered.
void openOverview(benchmark::State &state, int answerEntries) {
    BookFile book(bookOf(bookSize, answerEntries).path(), QDate::currentDate());
    if (!book.open()) {
        state.SkipWithError("the book did not open");
        return;
    }
    ProgressStore progress(book.database());
    OverviewModel model(nullptr);
    const QDateTime now(QDate(2026, 12, 8), QTime(12, 0));
    for (auto _ : state) {
        model.setLines(overview::linesOf(must(progress.overview()), now));
    }
    if (model.rowCount() != bookSize) {
        state.SkipWithError("the overview did not list every parcel");
    }
}

void overviewOpen(benchmark::State &state) {
    openOverview(state, 0);
}

// The same over a book that keeps every parcel's entries: the second newest and oldest entry of each
// are read with it, and a third of the parcels, signed for, make the history the others are estimated by.
void overviewOpenWithEntries(benchmark::State &state) {
    openOverview(state, entriesEach);
}

// The estimate for every parcel: the delivered parcels read in one statement, as the status panel and
// the command line read them, then each parcel's expected day from its oldest entry.
void deliveryEstimates(benchmark::State &state) {
    BookFile book(bookOf(bookSize, entriesEach).path(), QDate::currentDate());
    if (!book.open()) {
        state.SkipWithError("the book did not open");
        return;
    }
    ProgressStore progress(book.database());
    const QList<OverviewRow> rows = must(progress.overview());
    const QDate today(2026, 12, 8);
    int estimated = 0;
    for (auto _ : state) {
        const tracking::DeliveryHistory history(must(progress.deliveryHistory()));
        estimated = 0;
        for (const OverviewRow &row : rows) {
            const DeliveryStatus status =
                row.progress ? tracking::statusOfWord(row.progress->status) : DeliveryStatus::InTransit;
            estimated += history.estimate({row.company, status, row.acceptedTime, false}, today) ? 1 : 0;
        }
    }
    if (estimated == 0) {
        state.SkipWithError("no parcel was estimated");
    }
    state.counters["estimated"] = estimated;
}

void windowStart(benchmark::State &state) {
    FakePlatform fake;
    const QString folder = bookOf(bookSize).path();
    for (auto _ : state) {
        MainWindow window(fake.platform(), folder);
        if (!window.start()) {
            state.SkipWithError("start-up failed");
            break;
        }
    }
}

// From a pick in the window until its list holds the parcel's stored entries and has painted them,
// while the service never answers: what the user sees of the book before any answer.
void windowPick(benchmark::State &state) {
    HttpStub silent;
    silent.listen();
    silent.neverAnswer(QStringLiteral("/"));
    qputenv("PARCELBOOK_TRACKING_URL", silent.baseUrl().toUtf8());
    FakePlatform fake;
    MainWindow window(fake.platform(), bookOf(bookSize, entriesEach).path());
    if (!window.start()) {
        state.SkipWithError("start-up failed");
        return;
    }
    window.show();
    auto *picker = window.findChild<QComboBox *>(QStringLiteral("Text1"));
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("ListView1"));
    int index = 0;
    for (auto _ : state) {
        // Every eighth parcel was never checked; stepping by 7 from 1 never lands on one.
        index = (index + 7) % bookSize;
        if (index % 8 == 0) {
            ++index;
        }
        picker->setCurrentIndex(index);
        Q_EMIT picker->activated(index);
        list->viewport()->repaint();
        if (list->topLevelItemCount() != entriesEach) {
            state.SkipWithError("the pick did not show the stored entries");
            break;
        }
    }
    qunsetenv("PARCELBOOK_TRACKING_URL");
}

} // namespace

BENCHMARK(pickerReload)->Arg(bookSize)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(pickerFirstRead)->Arg(bookSize)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(overviewOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(overviewOpenWithEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(deliveryEstimates)->Unit(benchmark::kMillisecond);
BENCHMARK(windowStart)->Unit(benchmark::kMillisecond);
BENCHMARK(windowPick)->Unit(benchmark::kMillisecond);

PARCELBOOK_BENCH_RATIO("pickerReload/100000", "pickerReload/10000");
PARCELBOOK_BENCH_RATIO("pickerFirstRead/100000", "pickerFirstRead/10000");

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchratio::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
