// The watch pass over a real book against a loopback service that answers each number by script.
#include "platform/NetworkWebClient.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "support/FakePlatform.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "support/QuickWait.h"
#include "support/TrackingAnswers.h"
#include "tracker/AlertSwitches.h"
#include "tracker/ParcelTracker.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/WatchPass.h"

#include <QSet>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

using Entries = QList<QPair<QString, QString>>;
using harness::answerWith;
using harness::codeAnswer;
using harness::inTransit;

namespace {

const QString service = QStringLiteral("/");
const QString yuantong = QStringLiteral("圆通速递");

class TestSwitches final : public AlertSwitches {
public:
    bool mailOn() const override { return true; }
    bool soundOn() const override { return true; }
    QString address() const override { return QStringLiteral("me@example.org"); }
};

// A pass composed as the window composes it, with what it emits recorded; the service answers each
// number as scripted (the standing answer otherwise), or holds it.
struct Rig {
    explicit Rig(HttpStub &stub)
        : stub(stub)
        , tracking(harness::serviceAt(stub.baseUrl())) {
        ProgressStore::addMissingTables(db);
        fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(10, 0));
        alerts = new ProgressAlerts({&fake.sound, QStringLiteral("/nowhere/ts.mp3"), fake.desktop,
                                     fake.recordingMailer, fake.clock, switches},
                                    &owner);
        pass = new WatchPass({web, tracking, parcels, couriers, progress, fake.clock, *alerts}, &owner);
        QObject::connect(pass, &WatchPass::parcelChecked, &owner,
                         [this](const QueryOutcome &outcome) { checked.append(outcome); });
        QObject::connect(pass, &WatchPass::finished, &owner, [this](int count, int failed, bool quota) {
            finished.append({count, failed, quota});
        });
        // Answers are chosen when the request arrives, before the stub looks at its script.
        QObject::connect(&stub, &HttpStub::requestArrived, &owner, [this](const HttpStub::Request &request) {
            const QString number =
                QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(QStringLiteral("nu"));
            sentFor.append(number);
            if (held.contains(number)) {
                this->stub.neverAnswer(service);
                return;
            }
            this->stub.stopHolding(service);
            if (answers.contains(number)) {
                this->stub.answerOnce(service, answers.value(number));
            }
        });
    }

    ParcelId add(const QString &number, const QString &goods, qint64 count = 0) {
        const ParcelId id = must(parcels.add(yuantong, number, goods));
        must(parcels.setCount(id, count));
        return id;
    }
    QString storedNum(ParcelId id) { return must(parcels.byId(id))->num; }
    QList<QTimer *> limits() const { return pass->findChildren<QTimer *>(QStringLiteral("answerLimit")); }
    void runPass(int passes = 1) {
        QVERIFY(pass->start());
        TRY_COMPARE(finished.size(), passes);
        QVERIFY(!pass->running());
    }

    HttpStub &stub;
    TrackingService tracking;
    TempProgramFolder folder;
    FakePlatform fake;
    Database db = folder.open();
    ParcelStore parcels{db};
    CourierStore couriers{db};
    ProgressStore progress{db};
    TestSwitches switches;
    NetworkWebClient &web = fake.web;
    QHash<QString, QByteArray> answers;
    QSet<QString> held;
    QStringList sentFor;

    QList<QueryOutcome> checked;
    struct Finished {
        int checked;
        int failed;
        bool quotaUsedUp;
        bool operator==(const Finished &) const = default;
    };
    QList<Finished> finished;

    QObject owner;
    ProgressAlerts *alerts = nullptr;
    WatchPass *pass = nullptr;
};

} // namespace

class WatchPassTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void fourInFlightEachWithItsOwnLimit();
    void movedParcelsAlertFailuresAreSaidSignedAreSkipped();
    void usedUpQuotaEndsThePassForTheDay();
    void parcelDeletedDuringThePassStoresNothing();
    void nothingToAskEndsInsideStart();

private:
    HttpStub m_stub;
};

void WatchPassTest::initTestCase() {
    QVERIFY(m_stub.listen());
}

void WatchPassTest::init() {
    m_stub.release(service);
    m_stub.stopHolding(service);
    m_stub.answer(service, answerWith(inTransit()));
    m_stub.clearRequests();
}

void WatchPassTest::fourInFlightEachWithItsOwnLimit() {
    Rig r(m_stub);
    QList<ParcelId> ids;
    for (int i = 1; i <= 7; ++i) {
        const QString number = QStringLiteral("YT10%1").arg(i);
        ids.append(r.add(number, QStringLiteral("物品%1").arg(i)));
        r.held.insert(number);
    }
    QVERIFY(r.pass->start());
    QVERIFY(r.pass->running());
    QVERIFY(!r.pass->start());
    TRY_COMPARE(m_stub.heldOpen(service), 4);
    QTest::qWait(50);
    QCOMPARE(m_stub.count(service), 4);
    QCOMPARE(r.limits().size(), 4);
    QVERIFY(r.limits().first()->isActive());
    QCOMPARE(r.limits().first()->interval(), 1000);

    // Ten silent seconds for the first two: given up, and two more go out in their place.
    const QList<QTimer *> firstTwo = r.limits().mid(0, 2);
    for (int second = 1; second <= WatchPass::answerLimitSeconds; ++second) {
        QCOMPARE(r.checked.size(), 0);
        for (QTimer *limit : firstTwo) {
            QVERIFY(QMetaObject::invokeMethod(limit, "timeout"));
        }
    }
    TRY_COMPARE(m_stub.count(service), 6);
    QCOMPARE(r.checked.size(), 2);
    for (const QueryOutcome &outcome : r.checked) {
        QCOMPARE(outcome.kind, tracking::AnswerKind::NoAnswer);
        QCOMPARE(outcome.message, QStringLiteral("查询服务没有应答,请检查网络后再试"));
    }

    // A transfer cut off is no answer at once; the rest are answered and stored.
    r.held.clear();
    m_stub.closeWithoutAnswer(service);
    m_stub.release(service);
    TRY_COMPARE(r.checked.size(), 7);
    QCOMPARE(r.finished, (QList<Rig::Finished>{{7, 7, false}}));
    m_stub.answer(service, answerWith(inTransit()));
    r.runPass(2);
    QCOMPARE(r.finished.last(), (Rig::Finished{7, 0, false}));
    for (const ParcelId id : ids) {
        QCOMPARE(r.storedNum(id), QStringLiteral("3"));
    }
}

void WatchPassTest::movedParcelsAlertFailuresAreSaidSignedAreSkipped() {
    Rig r(m_stub);
    const ParcelId moved = r.add(QStringLiteral("YT1"), QStringLiteral("爸爸衣服"));
    const ParcelId still = r.add(QStringLiteral("YT2"), QStringLiteral("台灯"), 3);
    const ParcelId failing = r.add(QStringLiteral("YT3"), QStringLiteral("书"));
    const ParcelId signedFor = r.add(QStringLiteral("YT4"), QStringLiteral("鞋子"), 6);
    const ParcelId movedMore = r.add(QStringLiteral("YT5"), QStringLiteral("妈妈围巾"), 3);
    must(r.progress.record(
        signedFor, {QStringLiteral("已签收"), QStringLiteral("已签收"), QString(), {}, false}, false));
    must(r.progress.record(still, {QStringLiteral("运送中"), QString(), QString(), {}, false}, false));
    r.answers.insert(QStringLiteral("YT3"), codeAnswer("2"));
    r.answers.insert(QStringLiteral("YT5"),
                     answerWith(Entries{{QStringLiteral("2026-12-08 09:30:00"),
                                         QStringLiteral("【杭州市】快件已发往 西湖区")}} +
                                inTransit()));
    r.runPass();

    QCOMPARE(r.finished, (QList<Rig::Finished>{{4, 1, false}}));
    QVERIFY(!r.sentFor.contains(QStringLiteral("YT4")));
    QCOMPARE(r.sentFor.size(), 4);
    QCOMPARE(r.storedNum(moved), QStringLiteral("3"));
    QCOMPARE(r.storedNum(still), QStringLiteral("3"));
    QCOMPARE(r.storedNum(movedMore), QStringLiteral("4"));
    QCOMPARE(r.storedNum(failing), QStringLiteral("0"));

    // The failing parcel is said with the tracker's words, and stores no progress.
    const auto failed = std::find_if(r.checked.begin(), r.checked.end(), [&](const QueryOutcome &outcome) {
        return outcome.parcel.id == failing;
    });
    QVERIFY(failed != r.checked.end());
    QVERIFY(failed->failed());
    QCOMPARE(failed->update, tracking::UpdateState::NoUpdate);
    QCOMPARE(failed->code, QStringLiteral("2"));
    QCOMPARE(failed->message, QStringLiteral("验证码错误,可能此快递公司失效,请联系管理员"));
    QVERIFY(!must(r.progress.byParcel(failing)));

    // Exactly the two that moved are announced, by every outlet, and wait unseen for the window.
    QCOMPARE(r.fake.sound.played.size(), 2);
    QCOMPARE(r.fake.desktop.notifications.size(), 2);
    QCOMPARE(r.fake.recordingMailer.sent.size(), 2);
    QStringList announced;
    for (const auto &notification : r.fake.desktop.notifications) {
        announced.append(notification.summary);
    }
    QVERIFY(announced.join(QLatin1Char('|')).contains(QStringLiteral("爸爸衣服")));
    QVERIFY(announced.join(QLatin1Char('|')).contains(QStringLiteral("妈妈围巾")));
    QVERIFY(must(r.progress.byParcel(moved))->unseen);
    QVERIFY(must(r.progress.byParcel(movedMore))->unseen);
    QCOMPARE(must(r.progress.byParcel(movedMore))->newest, QStringLiteral("【杭州市】快件已发往 西湖区"));
    QVERIFY(!must(r.progress.byParcel(still))->unseen);
    QCOMPARE(must(r.progress.byParcel(still))->checked, r.fake.clock.current);

    // The same answers again are no news.
    r.runPass(2);
    QCOMPARE(r.fake.desktop.notifications.size(), 2);
    QCOMPARE(r.fake.recordingMailer.sent.size(), 2);
}

void WatchPassTest::usedUpQuotaEndsThePassForTheDay() {
    Rig r(m_stub);
    QList<ParcelId> ids;
    for (int i = 1; i <= 6; ++i) {
        ids.append(r.add(QStringLiteral("YT%1").arg(i), QStringLiteral("物品%1").arg(i)));
    }
    // The first three wait while the second says the day's queries are used up.
    r.held = {QStringLiteral("YT1"), QStringLiteral("YT3"), QStringLiteral("YT4")};
    r.answers.insert(QStringLiteral("YT2"), codeAnswer("22"));
    QVERIFY(r.pass->start());
    TRY_COMPARE(r.checked.size(), 1);
    QCOMPARE(r.checked.first().code, QStringLiteral("22"));
    QVERIFY(r.pass->running());
    QCOMPARE(must(r.progress.quotaUsedUpOn()), std::optional<QDate>(QDate(2026, 12, 8)));

    // Those in flight finish; nothing more is sent.
    r.held.clear();
    m_stub.release(service);
    TRY_COMPARE(r.finished.size(), 1);
    QCOMPARE(r.finished, (QList<Rig::Finished>{{4, 1, true}}));
    QCOMPARE(m_stub.count(service), 4);

    // Later the same day: neither a pass nor the tracker's loop sends anything.
    r.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(23, 59));
    QVERIFY(!r.pass->start());
    QCOMPARE(r.finished.last(), (Rig::Finished{0, 0, true}));
    ParcelTracker tracker(
        {r.web, r.tracking, r.parcels, r.couriers, r.fake.clock, r.fake.dialogs, *r.alerts, r.progress},
        nullptr);
    QStringList hints;
    QObject::connect(&tracker, &ParcelTracker::hint, &r.owner,
                     [&](const QString &text) { hints.append(text); });
    QVERIFY(tracker.selectParcel(ids.first()));
    TRY_COMPARE(m_stub.count(service), 5);
    TRY_VERIFY(!tracker.busy());
    tracker.startLoop(1);
    QVERIFY(QMetaObject::invokeMethod(tracker.findChild<QTimer *>(QStringLiteral("Timer6")), "timeout"));
    QTest::qWait(50);
    QCOMPARE(m_stub.count(service), 5);
    QVERIFY(hints.last().endsWith(QStringLiteral("(今日不再自动查询)")));

    // The next day both query again.
    r.answers.clear();
    r.fake.clock.current = QDateTime(QDate(2026, 12, 9), QTime(0, 0, 30));
    r.runPass(3);
    QCOMPARE(r.finished.last(), (Rig::Finished{6, 0, false}));
    QCOMPARE(m_stub.count(service), 11);
    QVERIFY(QMetaObject::invokeMethod(tracker.findChild<QTimer *>(QStringLiteral("Timer6")), "timeout"));
    TRY_COMPARE(m_stub.count(service), 12);
}

void WatchPassTest::parcelDeletedDuringThePassStoresNothing() {
    Rig r(m_stub);
    QList<ParcelId> ids;
    for (int i = 1; i <= 5; ++i) {
        const QString number = QStringLiteral("YT%1").arg(i);
        ids.append(r.add(number, QStringLiteral("物品%1").arg(i)));
        r.held.insert(number);
    }
    QVERIFY(r.pass->start());
    TRY_COMPARE(m_stub.heldOpen(service), 4);
    // One in flight and the one still waiting leave the book.
    QVERIFY(must(r.parcels.remove(ids[1])));
    QVERIFY(must(r.parcels.remove(ids[4])));
    r.held.clear();
    m_stub.release(service);
    TRY_COMPARE(r.finished.size(), 1);
    QCOMPARE(r.finished, (QList<Rig::Finished>{{3, 0, false}}));
    QCOMPARE(m_stub.count(service), 4);
    for (const QueryOutcome &outcome : r.checked) {
        QVERIFY(outcome.parcel.id != ids[1]);
    }
    QVERIFY(!must(r.progress.byParcel(ids[1])));
    QVERIFY(!must(r.parcels.byId(ids[1])));
    QCOMPARE(r.fake.desktop.notifications.size(), 3);
    for (const auto &notification : r.fake.desktop.notifications) {
        QVERIFY(!notification.summary.contains(QStringLiteral("物品2")));
    }
    QCOMPARE(r.fake.recordingMailer.sent.size(), 3);
}

void WatchPassTest::nothingToAskEndsInsideStart() {
    // An empty book, then one whose only parcel is signed for: start() says the pass is over (a
    // caller waiting for `finished` after a true would wait for ever), and `finished` came once.
    Rig r(m_stub);
    QVERIFY(!r.pass->start());
    const ParcelId signedFor = r.add(QStringLiteral("YT1"), QStringLiteral("鞋子"), 6);
    must(r.progress.record(signedFor, {QStringLiteral("已签收"), QString(), QString(), {}, false}, false));
    QVERIFY(!r.pass->start());
    QVERIFY(!r.pass->running());
    QCOMPARE(r.finished, (QList<Rig::Finished>{{0, 0, false}, {0, 0, false}}));
    QCOMPARE(m_stub.count(service), 0);
}

QTEST_GUILESS_MAIN(WatchPassTest)
#include "tst_watchpass.moc"
