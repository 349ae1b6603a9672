// A watch pass over 100 parcels behind a service that answers after 50 ms, beside its anchor: the same
// 100 queries one after another through the tracker, the way `query --all` goes.
#include "platform/NetworkWebClient.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "support/FakePlatform.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "support/TrackingAnswers.h"
#include "tracker/AlertSwitches.h"
#include "tracker/ParcelTracker.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/WatchPass.h"

#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int parcelCount = 100;
constexpr int answerDelayMs = 50;

class QuietSwitches final : public AlertSwitches {
public:
    bool mailOn() const override { return false; }
    bool soundOn() const override { return false; }
    QString address() const override { return QString(); }
};

// The book of 100 parcels in transit and the slow service, shared by both benchmarks.
struct Road {
    Road() {
        ProgressStore::addMissingTables(db);
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < parcelCount; ++i) {
            ids.append(must(parcels.add(QStringLiteral("圆通速递"), QString::number(3101234500000LL + i),
                                        QStringLiteral("网购物品 %1").arg(i))));
        }
        db.exec(QStringLiteral("COMMIT"));
        stub.listen();
        stub.answer(QStringLiteral("/"),
                    R"({"status":"1","errCode":"0","message":"","data":[)"
                    R"({"time":"2026-12-08 08:00:00","context":"【杭州市】快件已到达 杭州转运中心"},)"
                    R"({"time":"2026-12-07 20:00:00","context":"【上海市】圆通速递 已揽收"}]})");
        stub.delay(QStringLiteral("/"), answerDelayMs);
        service = harness::serviceAt(stub.baseUrl());
    }

    TempProgramFolder folder;
    FakePlatform fake;
    Database db = folder.open();
    ParcelStore parcels{db};
    CourierStore couriers{db};
    ProgressStore progress{db};
    QuietSwitches switches;
    NetworkWebClient &web = fake.web;
    HttpStub stub;
    TrackingService service;
    QList<ParcelId> ids;
    ProgressAlerts alerts{{nullptr, QString(), fake.desktop, fake.recordingMailer, fake.clock, switches},
                          nullptr};
};

Road &road() {
    static std::unique_ptr<Road> made;
    if (!made) {
        made = std::make_unique<Road>();
    }
    return *made;
}

void watchPass(benchmark::State &state) {
    Road &r = road();
    WatchPass pass({r.web, r.service, r.parcels, r.couriers, r.progress, r.fake.clock, r.alerts}, nullptr);
    int checked = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&pass, &WatchPass::finished, &loop, [&](int count, int, bool) {
            checked = count;
            loop.quit();
        });
        if (pass.start()) {
            loop.exec();
        }
    }
    if (checked != parcelCount) {
        state.SkipWithError("the pass missed parcels");
    }
}

void queryOneAfterAnother(benchmark::State &state) {
    Road &r = road();
    ParcelTracker tracker(
        {r.web, r.service, r.parcels, r.couriers, r.fake.clock, r.fake.dialogs, r.alerts, r.progress, false},
        nullptr);
    int answered = 0;
    for (auto _ : state) {
        answered = 0;
        for (const ParcelId id : r.ids) {
            QEventLoop loop;
            QObject::connect(&tracker, &ParcelTracker::queryEnded, &loop, [&](const QueryOutcome &outcome) {
                answered += outcome.succeeded() ? 1 : 0;
                loop.quit();
            });
            if (tracker.selectParcel(id)) {
                loop.exec();
            }
        }
    }
    if (answered != parcelCount) {
        state.SkipWithError("the queries missed parcels");
    }
}

} // namespace

BENCHMARK(watchPass)->UseRealTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(queryOneAfterAnother)->UseRealTime()->Iterations(1)->Unit(benchmark::kMillisecond);
