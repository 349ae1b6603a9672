// Reading a tracking answer of 1,000 to 100,000 entries, beside one plain search pass over the same
// bytes, and the parse tick that shows 1,000 entries.
#include "RatioReporter.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingAnswer.h"
#include "tracking/TrackingText.h"
#include "widgets/ProgressList.h"
#include "widgets/StatusPanel.h"

#include <QWidget>

#include <benchmark/benchmark.h>

#include <limits>
#include <string_view>

namespace {

// A success answer as the service writes it, newest entry first.
QByteArray answerOf(int entries) {
    QByteArray body =
        R"({"message":"ok","nu":"3101234567890","ischeck":"0","status":"200","errCode":"0","data":[)";
    for (int i = 0; i < entries; ++i) {
        const int minutes = entries - i;
        body +=
            (i ? "," : "") +
            QStringLiteral(
                R"({"time":"2026-%1-%2 %3:%4:00","ftime":"x","context":"【杭州市】快件已到达 杭州转运中心 第%5站，正发往下一站","location":""})")
                .arg(1 + minutes / 44640 % 12, 2, 10, QLatin1Char('0'))
                .arg(1 + minutes / 1440 % 28, 2, 10, QLatin1Char('0'))
                .arg(minutes / 60 % 24, 2, 10, QLatin1Char('0'))
                .arg(minutes % 60, 2, 10, QLatin1Char('0'))
                .arg(entries - i)
                .toUtf8();
    }
    return body + "]}";
}

const QByteArray &answerBytes(int entries) {
    static QHash<int, QByteArray> made;
    auto found = made.find(entries);
    if (found == made.end()) {
        found = made.insert(entries, answerOf(entries));
    }
    return *found;
}

// The anchor: one std::string_view::find pass counting the time marker over the answer's bytes.
void findPass(benchmark::State &state) {
    const QByteArray &bytes = answerBytes(static_cast<int>(state.range(0)));
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (std::size_t at = text.find(R"("time":")"); at != std::string_view::npos;
             at = text.find(R"("time":")", at + 1)) {
            ++found;
        }
        benchmark::DoNotOptimize(found);
    }
    if (found != static_cast<std::size_t>(state.range(0))) {
        state.SkipWithError("the pass missed entries");
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

// The answer as the window gets it (decoded text) read into its result code and entries. The
// program lists at most 32,767 entries; the split itself is measured here without that cap.
void parseAnswer(benchmark::State &state) {
    const QString body = QString::fromUtf8(answerBytes(static_cast<int>(state.range(0))));
    qsizetype entries = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tracking::resultCode(body));
        entries = tracking::readEntries(body, std::numeric_limits<int>::max()).size();
        benchmark::DoNotOptimize(entries);
    }
    if (entries != state.range(0)) {
        state.SkipWithError("the parse missed entries");
    }
}

// What the Timer1 tick does with 1,000 entries: status and transit time, the list, the panel.
void parseTick(benchmark::State &state) {
    const QList<ProgressEntry> entries =
        tracking::interpretAnswer(QString::fromUtf8(answerBytes(static_cast<int>(state.range(0))))).entries;
    QWidget window;
    window.resize(770, 517);
    auto *list = new ProgressList(&window);
    list->setGeometry(24, 200, 721, 257);
    auto *status = new StatusPanel(&window);
    window.show();
    const QDateTime now(QDate(2026, 12, 8), QTime(10, 0));
    for (auto _ : state) {
        const tracking::ProgressReport report = tracking::reportProgress(entries, now);
        list->showEntries(report.entries);
        status->showProgress(report);
        status->showUpdate(tracking::updateState(qint64(0), report.rowCount(), report.status));
    }
    if (list->topLevelItemCount() != state.range(0)) {
        state.SkipWithError("the list missed entries");
    }
}

} // namespace

BENCHMARK(findPass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(parseAnswer)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(parseTick)->Arg(1000)->Unit(benchmark::kMillisecond);

PARCELBOOK_BENCH_RATIO("parseAnswer/1000", "findPass/1000");
PARCELBOOK_BENCH_RATIO("parseAnswer/10000", "findPass/10000");
PARCELBOOK_BENCH_RATIO("parseAnswer/100000", "findPass/100000");
PARCELBOOK_BENCH_RATIO("parseAnswer/100000", "parseAnswer/10000");
PARCELBOOK_BENCH_RATIO("parseAnswer/10000", "parseAnswer/1000");
