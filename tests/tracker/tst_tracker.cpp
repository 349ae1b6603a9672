// The tracker's road without a window: real book, loopback service, fake seams, timers ticked by hand.
#include "platform/NetworkWebClient.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/StoreError.h"
#include "support/FakePlatform.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "support/QuickWait.h"
#include "support/TrackingAnswers.h"
#include "tracker/AddSeries.h"
#include "tracker/AlertSwitches.h"
#include "tracker/AnswerSettlement.h"
#include "tracker/ParcelTracker.h"
#include "tracker/ProgressAlerts.h"
#include "tracker/UserSettings.h"

#include <QFile>
#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using tracking::AnswerKind;
using tracking::UpdateState;
using Entries = QList<QPair<QString, QString>>;

namespace {

const QString service = QStringLiteral("/");
const QString yuantong = QStringLiteral("圆通速递");
const QString deleted = QStringLiteral("快递信息已删除!");
const QString gone = QStringLiteral("该快递已不在快递列表中..");

// A success answer with these (time, progress) entries, newest first.
QByteArray answerWith(const Entries &entries) {
    QString body = QStringLiteral(R"({"status":"1","errCode":"0","message":"","data":[)");
    for (qsizetype i = 0; i < entries.size(); ++i) {
        body += (i ? QStringLiteral(",") : QString()) + QStringLiteral(R"({"time":")") + entries[i].first +
                QStringLiteral(R"(","context":")") + entries[i].second + QStringLiteral(R"("})");
    }
    return (body + QStringLiteral("]}")).toUtf8();
}

QByteArray codeAnswer(const char *code) {
    return QByteArray(R"({"status":"0","errCode":")") + code + R"(","message":"x"})";
}

const Entries &inTransit() {
    static const Entries entries = {
        {QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("【杭州市】快件已到达 杭州转运中心")},
        {QStringLiteral("2026-12-07 20:00:00"), QStringLiteral("【上海市】快件已发往 杭州转运中心")},
        {QStringLiteral("2026-12-06 06:45:00"), QStringLiteral("【上海市】圆通速递 已揽收")},
    };
    return entries;
}

class TestSwitches final : public AlertSwitches {
public:
    bool mailOn() const override { return mail; }
    bool soundOn() const override { return sound; }
    QString address() const override { return to; }
    bool mail = false;
    bool sound = true;
    QString to;
};

// The tracker composed as the window composes it, with everything it emits recorded.
struct Rig {
    explicit Rig(const QString &serviceAddress)
        : tracking(harness::serviceAt(serviceAddress)) {
        // As the window's first open of the book adds them.
        ProgressStore::addMissingTables(db);
        alerts = new ProgressAlerts(
            {&fake.sound, chime, fake.desktop, fake.recordingMailer, fake.clock, switches}, &owner);
        tracker = new ParcelTracker(
            {web, tracking, parcels, couriers, fake.clock, fake.dialogs, *alerts, progress}, &owner);
        QObject::connect(tracker, &ParcelTracker::hint, &owner,
                         [this](const QString &text) { hints.append(text); });
        QObject::connect(tracker, &ParcelTracker::progressShown, &owner,
                         [this](const TrackedParcel &, const tracking::ProgressReport &, UpdateState update) {
                             shown.append(update);
                         });
        QObject::connect(tracker, &ParcelTracker::queryEnded, &owner,
                         [this](const QueryOutcome &outcome) { ended.append(outcome); });
        QObject::connect(tracker, &ParcelTracker::gaveUp, &owner, [this] { ++gaveUp; });
        QObject::connect(tracker, &ParcelTracker::parcelRemoved, &owner, [this](ParcelId id, bool byUser) {
            removed.append({id.value(), byUser});
        });
        QObject::connect(tracker, &ParcelTracker::parcelAdded, &owner, [this](ParcelId id, bool query) {
            added.append({id.value(), query});
        });
        QObject::connect(tracker, &ParcelTracker::modesChanged, &owner, [this](bool loop, bool timed) {
            modes.append({loop, timed});
        });
    }

    QTimer *timer(const char *name) const {
        auto *found = tracker->findChild<QTimer *>(QString::fromLatin1(name));
        if (!found) {
            qFatal("no timer %s", name);
        }
        return found;
    }
    ParcelId add(const QString &number, const QString &goods) {
        return must(parcels.add(yuantong, number, goods));
    }
    QString storedNum(ParcelId id) {
        const std::optional<ParcelRow> row = must(parcels.byId(id));
        return row ? row->num : QStringLiteral("<gone>");
    }
    qsizetype rows() { return must(parcels.all()).size(); }
    qsizetype alertsRaised() const {
        return fake.sound.played.size() + fake.desktop.notifications.size() +
               fake.recordingMailer.sent.size();
    }
    // A query by hand, answered by whatever the service is scripted to say.
    void query(ParcelId id) {
        const qsizetype before = ended.size();
        QVERIFY(tracker->selectParcel(id));
        TRY_COMPARE(ended.size(), before + 1);
    }

    const QString chime = QStringLiteral("/nowhere/ts.mp3");
    TempProgramFolder folder;
    FakePlatform fake;
    Database db = folder.open();
    ParcelStore parcels{db};
    CourierStore couriers{db};
    ProgressStore progress{db};
    TestSwitches switches;
    NetworkWebClient &web = fake.web;
    TrackingService tracking;

    QStringList hints;
    QList<UpdateState> shown;
    QList<QueryOutcome> ended;
    int gaveUp = 0;
    QList<QPair<qint64, bool>> removed;
    QList<QPair<qint64, bool>> added;
    QList<QPair<bool, bool>> modes;

    // Owns the tracker, so it goes before the records and the stores it uses.
    QObject owner;
    ProgressAlerts *alerts = nullptr;
    ParcelTracker *tracker = nullptr;
};

void tick(QTimer *timer, int times = 1) {
    for (int i = 0; i < times; ++i) {
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    }
}

} // namespace

class TrackerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void settleAnswer_data();
    void settleAnswer();
    void eachQueryHasItsOwnTenSeconds();
    void deletedParcelStaysGone();
    void clearStopsTheModes();
    void addInFlightIsNotDropped();
    void addSeries_takesItsReasonsFromTheFailures();
    void addWithoutAnAnswer_isKeptOnlyOnTheUsersWord_data();
    void addWithoutAnAnswer_isKeptOnlyOnTheUsersWord();
    void newProgressIsStoredAndAnnouncedOnce();
    void userSettings_writesAreStoredAndAnnounced();
    void usedUpQuotaPausesAutomaticQueriesForTheDay();
    void webReply_failsPastItsCapOrBrokenInTransfer_data();
    void webReply_failsPastItsCapOrBrokenInTransfer();

private:
    HttpStub m_stub;
};

void TrackerTest::initTestCase() {
    QVERIFY(m_stub.listen());
}

void TrackerTest::init() {
    // Requests held by the previous test were aborted by their client; releasing them sends nothing.
    m_stub.release(service);
    m_stub.answer(service, answerWith(inTransit()));
    m_stub.clearRequests();
}

void TrackerTest::settleAnswer_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("said");
    QTest::addColumn<Entries>("entries");
    // What the book knew: its stored count, -1 for none; and whether the news may be announced.
    QTest::addColumn<int>("known");
    QTest::addColumn<bool>("announceNews");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("update");
    // The count to store, -1 for none; -2 when nothing is recorded at all.
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("announced");
    QTest::addColumn<int>("stalled");

    const Entries signedFor =
        Entries{{QStringLiteral("2026-12-08 11:00:00"), QStringLiteral("已签收，感谢使用")}} + inTransit();
    const QString soon = QStringLiteral("2026-12-08 12:00:00");
    const QString done = QStringLiteral("查询完毕...");
    const int none = -1;
    const int unrecorded = -2;
    const int fresh = int(UpdateState::NewProgress);
    const int same = int(UpdateState::NoUpdate);
    const int signedWord = int(UpdateState::SignedFor);
    const int success = int(AnswerKind::Success);
    QTest::newRow("entries, no count") << success << QString() << inTransit() << none << true << soon
                                       << QString() << done << same << none << false << none;
    QTest::newRow("entries, same count") << success << QString() << inTransit() << 3 << true << soon
                                         << QString() << done << same << none << false << none;
    QTest::newRow("entries, fewer known") << success << QString() << inTransit() << 2 << true << soon
                                          << QString() << done << fresh << 3 << true << none;
    QTest::newRow("entries, fewer known, add's answer")
        << success << QString() << inTransit() << 2 << false << soon << QString() << done << fresh << 3
        << false << none;
    QTest::newRow("entries, more known") << success << QString() << inTransit() << 5 << true << soon
                                         << QString() << done << same << none << false << none;
    QTest::newRow("signed for, fewer known") << success << QString() << signedFor << 2 << true << soon
                                             << QString() << done << signedWord << none << false << none;
    QTest::newRow("entries, stalled")
        << success << QString() << inTransit() << 3 << true << QStringLiteral("2026-12-13 09:00:00")
        << QString() << QStringLiteral("已5天没有新进展,建议联系快递公司") << same << none << false << 5;
    const QString empty = QStringLiteral("查询完毕,暂无物流信息...");
    QTest::newRow("no entries") << success << QString() << Entries() << 2 << true << soon << empty << empty
                                << same << unrecorded << false << none;
    QTest::newRow("not known") << int(AnswerKind::NotKnown) << QString() << Entries() << 2 << true << soon
                               << QStringLiteral("您当前查询的快递单号已不存在") << QString() << same
                               << unrecorded << false << none;
    const QString usedUp = tracking::resultMessage(QStringLiteral("22"));
    QTest::newRow("listed failure") << int(AnswerKind::Failure) << usedUp << Entries() << 2 << true << soon
                                    << usedUp << usedUp << same << unrecorded << false << none;
    QTest::newRow("unlisted failure")
        << int(AnswerKind::Failure) << QString() << Entries() << 2 << true << soon
        << QStringLiteral("查询服务返回了结果码 99") << QString() << same << unrecorded << false << none;
    const QString unreadable = QStringLiteral("查询服务返回了无法识别的数据,请稍后再试..");
    QTest::newRow("unreadable") << int(AnswerKind::Unreadable) << unreadable << Entries() << none << true
                                << soon << unreadable << unreadable << same << unrecorded << false << none;
    QTest::newRow("silent") << int(AnswerKind::NoAnswer) << QString() << Entries() << 2 << true << soon
                            << QStringLiteral("查询服务没有应答,请检查网络后再试") << QString() << same
                            << unrecorded << false << none;
    QTest::newRow("transfer failed") << int(AnswerKind::NoAnswer) << QStringLiteral("回答不完整") << Entries()
                                     << 2 << true << soon
                                     << QStringLiteral("查询服务没有应答(回答不完整),请检查网络后再试")
                                     << QString() << same << unrecorded << false << none;
}

void TrackerTest::settleAnswer() {
    QFETCH(int, kind);
    QFETCH(QString, said);
    QFETCH(Entries, entries);
    QFETCH(int, known);
    QFETCH(bool, announceNews);
    QFETCH(QString, now);
    QFETCH(QString, message);
    QFETCH(QString, hint);
    QFETCH(int, update);
    QFETCH(int, stored);
    QFETCH(bool, announced);
    QFETCH(int, stalled);

    tracking::TrackingAnswer answer;
    answer.kind = AnswerKind(kind);
    answer.code = answer.kind == AnswerKind::Failure
                      ? (said.isEmpty() ? QStringLiteral("99") : QStringLiteral("22"))
                      : QString();
    answer.message = said;
    for (const auto &[time, context] : entries) {
        answer.entries.append({time, context});
    }
    TrackedParcel parcel{ParcelId(7),
                         QStringLiteral("3101234567890"),
                         yuantong,
                         QStringLiteral("yuantong"),
                         QStringLiteral("爸爸衣服"),
                         known < 0 ? std::nullopt : std::optional<qint64>(known)};
    const Settlement settled = ::settleAnswer(
        parcel, answer, QDateTime::fromString(now, QStringLiteral("yyyy-MM-dd HH:mm:ss")), announceNews);

    QCOMPARE(settled.outcome.parcel.id, parcel.id);
    QCOMPARE(settled.outcome.kind, answer.kind);
    QCOMPARE(settled.outcome.code, answer.code);
    QCOMPARE(settled.outcome.message, message);
    QCOMPARE(settled.hint, hint);
    QCOMPARE(int(settled.outcome.update), update);
    QCOMPARE(settled.record, stored != -2);
    QCOMPARE(settled.outcome.report.entries.size(), settled.record ? entries.size() : 0);
    QCOMPARE(settled.countToStore.value_or(-1), stored == -2 ? -1 : stored);
    QCOMPARE(settled.announce, announced);
    QCOMPARE(settled.outcome.stalledDays.value_or(-1), stalled);
    // A failed or empty answer is never news, whatever the book knew.
    QCOMPARE(settled.outcome.storedNewProgress(), settled.record && update == int(UpdateState::NewProgress));
}

void TrackerTest::eachQueryHasItsOwnTenSeconds() {
    Rig r(m_stub.baseUrl());
    const ParcelId id = r.add(QStringLiteral("3101234567890"), QStringLiteral("爸爸衣服"));
    // Six silent seconds per query: thirty in all, which a shared count would have given up on.
    for (int query = 1; query <= 5; ++query) {
        m_stub.neverAnswer(service);
        QVERIFY(r.tracker->selectParcel(id));
        TRY_COMPARE(m_stub.count(service), query);
        harness::tickAnswerLimit(*r.tracker, 6);
        m_stub.release(service);
        TRY_COMPARE(r.ended.size(), query);
        QVERIFY(r.ended.last().succeeded());
    }
    QCOMPARE(r.gaveUp, 0);
    QCOMPARE(r.shown,
             QList<UpdateState>({UpdateState::NewProgress, UpdateState::NoUpdate, UpdateState::NoUpdate,
                                 UpdateState::NoUpdate, UpdateState::NoUpdate}));
    QVERIFY(m_stub.requests(service).last().query.contains("&com=yuantong&nu=3101234567890&"));

    // No answer at all: given up at the tenth second, not before.
    m_stub.neverAnswer(service);
    QVERIFY(r.tracker->selectParcel(id));
    TRY_COMPARE(m_stub.count(service), 6);
    harness::tickAnswerLimit(*r.tracker, 9);
    QCOMPARE(r.gaveUp, 0);
    QVERIFY(r.tracker->busy());
    harness::tickAnswerLimit(*r.tracker);
    QCOMPARE(r.gaveUp, 1);
    QCOMPARE(r.ended.size(), 6);
    QCOMPARE(r.ended.last().kind, AnswerKind::NoAnswer);
    // Nothing was learnt, so nothing is new (a failed query must never read as new progress).
    QCOMPARE(r.ended.last().update, UpdateState::NoUpdate);
    QVERIFY(!r.tracker->busy());
    QVERIFY(!harness::runningAnswerLimit(*r.tracker));
    harness::tickAnswerLimit(*r.tracker, 10);
    QCOMPARE(r.gaveUp, 1);

    // Its late answer, new progress if it were applied, changes nothing.
    m_stub.answer(
        service,
        answerWith(Entries{{QStringLiteral("2026-12-08 09:30:00"), QStringLiteral("派件中")}} + inTransit()));
    m_stub.release(service);
    QTest::qWait(300);
    QCOMPARE(r.shown.size(), 5);
    QCOMPARE(r.ended.size(), 6);
    QCOMPARE(r.storedNum(id), QStringLiteral("3"));
    QCOMPARE(r.fake.sound.played.size(), 1);
}

void TrackerTest::deletedParcelStaysGone() {
    Rig r(m_stub.baseUrl());
    const ParcelId kept = r.add(QStringLiteral("YT100"), QStringLiteral("手机"));
    const ParcelId id = r.add(QStringLiteral("YT200"), QStringLiteral("爸爸衣服"));
    r.query(id);
    QVERIFY(r.tracker->deleteParcel(id));
    QVERIFY(!r.tracker->current());
    QCOMPARE(r.removed, (QList<QPair<qint64, bool>>{{id.value(), true}}));
    QCOMPARE(r.fake.dialogs.texts(), QStringList{deleted});
    QVERIFY(!must(r.parcels.byId(id)));
    QVERIFY(must(r.parcels.byId(kept)));

    // Picking it again finds it gone: no request, no alert.
    qsizetype alerts = r.alertsRaised();
    QVERIFY(!r.tracker->selectParcel(id));
    QVERIFY(!r.tracker->busy());
    QVERIFY(!r.tracker->current());
    QTest::qWait(100);
    QCOMPARE(m_stub.count(service), 1);
    QCOMPARE(r.alertsRaised(), alerts);

    // Deleted through another connection while its query waits: its answer stores and announces nothing.
    const ParcelId other = r.add(QStringLiteral("YT300"), QStringLiteral("妈妈鞋子"));
    m_stub.neverAnswer(service);
    QVERIFY(r.tracker->selectParcel(other));
    TRY_COMPARE(m_stub.count(service), 2);
    {
        Database second = r.folder.open();
        QVERIFY(must(ParcelStore(second).remove(other)));
    }
    const qsizetype rows = r.rows();
    const qsizetype shown = r.shown.size();
    m_stub.release(service);
    TRY_COMPARE(r.removed.size(), 3);
    QCOMPARE(r.removed.last(), qMakePair(other.value(), false));
    QVERIFY(!r.tracker->current());
    QTest::qWait(200);
    QCOMPARE(r.shown.size(), shown);
    QCOMPARE(r.rows(), rows);
    QCOMPARE(r.alertsRaised(), alerts);

    // Deleted between the answer and its parse: the new count is not stored, nothing is announced.
    const ParcelId late = r.add(QStringLiteral("YT350"), QStringLiteral("书"));
    QTimer *parse = r.timer("Timer1");
    parse->setInterval(60000);
    QVERIFY(r.tracker->selectParcel(late));
    TRY_VERIFY(parse->isActive());
    {
        Database second = r.folder.open();
        QVERIFY(must(ParcelStore(second).remove(late)));
    }
    tick(parse);
    parse->setInterval(100);
    QCOMPARE(r.removed.last(), qMakePair(late.value(), false));
    QVERIFY(!r.tracker->current());
    QCOMPARE(r.rows(), rows);
    QCOMPARE(r.alertsRaised(), alerts);

    // Code 1, not kept (No), then confirmed (Yes): that row goes, once, and the user is told once.
    const ParcelId dead = r.add(QStringLiteral("YT400"), QStringLiteral("旧单号"));
    r.fake.dialogs.shown.clear();
    r.fake.dialogs.answers = {false, true};
    m_stub.answer(service, codeAnswer("1"));
    const qsizetype removed = r.removed.size();
    r.query(dead);
    QCOMPARE(r.ended.last().kind, AnswerKind::NotKnown);
    QCOMPARE(r.fake.dialogs.shown.size(), 3);
    QVERIFY(r.fake.dialogs.shown[0].text.contains(QStringLiteral("是否保留")));
    QCOMPARE(r.fake.dialogs.shown[0].byDefault, DefaultAnswer::Yes);
    QVERIFY(r.fake.dialogs.shown[1].text.contains(QStringLiteral("确认要删除")));
    QCOMPARE(r.fake.dialogs.shown[1].byDefault, DefaultAnswer::No);
    QCOMPARE(r.fake.dialogs.shown[2].text, deleted);
    QCOMPARE(r.removed.mid(removed), (QList<QPair<qint64, bool>>{{dead.value(), true}}));
    QCOMPARE(r.rows(), rows);
    QVERIFY(must(r.parcels.byId(kept)));
    QVERIFY(!r.tracker->current());
    // Deleting it again finds nothing to delete and says so instead.
    QVERIFY(r.tracker->deleteParcel(dead));
    QCOMPARE(r.fake.dialogs.texts().count(deleted), 1);
    QCOMPARE(r.fake.dialogs.texts().last(), gone);
    QCOMPARE(r.rows(), rows);

    // Gone through another connection while the second question is up: not "deleted" by this program.
    const ParcelId raced = r.add(QStringLiteral("YT500"), QStringLiteral("旧单号二"));
    r.fake.dialogs.shown.clear();
    r.fake.dialogs.answers = {false, true};
    r.fake.dialogs.whileShown = [&r, raced](const ShownMessage &message) {
        if (message.text.contains(QStringLiteral("确认要删除"))) {
            Database second = r.folder.open();
            must(ParcelStore(second).remove(raced));
        }
    };
    r.query(raced);
    r.fake.dialogs.whileShown = nullptr;
    QCOMPARE(r.fake.dialogs.texts().size(), 3);
    QCOMPARE(r.fake.dialogs.texts().last(), gone);
    QCOMPARE(r.removed.last(), qMakePair(raced.value(), true));
    QCOMPARE(r.rows(), rows);
    QCOMPARE(r.alertsRaised(), alerts);
}

void TrackerTest::clearStopsTheModes() {
    Rig r(m_stub.baseUrl());
    const ParcelId id = r.add(QStringLiteral("YT100"), QStringLiteral("爸爸衣服"));
    r.query(id);
    QTimer *loop = r.timer("Timer6");
    QTimer *timed = r.timer("Timer4");
    r.tracker->startLoop(1);
    r.tracker->startTimed(10, 1);
    QVERIFY(loop->isActive());
    QVERIFY(timed->isActive());
    must(r.parcels.clear());
    r.tracker->forgetAll();
    QVERIFY(!r.tracker->loopRunning());
    QVERIFY(!r.tracker->timedArmed());
    QVERIFY(!r.tracker->current());
    QCOMPARE(r.modes.last(), qMakePair(false, false));
    QVERIFY(!loop->isActive());
    QVERIFY(!timed->isActive());
    const qsizetype ended = r.ended.size();
    r.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(10, 1, 0));
    tick(loop, 3);
    tick(timed);
    QVERIFY(!r.tracker->busy());
    QTest::qWait(100);
    QCOMPARE(m_stub.count(service), 1);
    QCOMPARE(r.ended.size(), ended);

    // Emptied while the loop's query waits: its answer, new progress if applied, is dropped.
    const ParcelId next = r.add(QStringLiteral("YT200"), QStringLiteral("妈妈鞋子"));
    r.query(next);
    const qsizetype alerts = r.alertsRaised();
    const qsizetype shown = r.shown.size();
    r.tracker->startLoop(1);
    m_stub.neverAnswer(service);
    tick(loop);
    TRY_COMPARE(m_stub.count(service), 3);
    must(r.parcels.clear());
    r.tracker->forgetAll();
    QVERIFY(!r.tracker->loopRunning());
    QVERIFY(!r.tracker->busy());
    m_stub.answer(
        service,
        answerWith(Entries{{QStringLiteral("2026-12-08 09:30:00"), QStringLiteral("派件中")}} + inTransit()));
    m_stub.release(service);
    tick(loop, 3);
    QTest::qWait(300);
    QCOMPARE(m_stub.count(service), 3);
    QCOMPARE(r.shown.size(), shown);
    QCOMPARE(r.ended.size(), ended + 1);
    QCOMPARE(r.alertsRaised(), alerts);
    QCOMPARE(r.rows(), 0);
}

void TrackerTest::addWithoutAnAnswer_isKeptOnlyOnTheUsersWord_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("keep");
    for (const char *how : {"silent", "refused", "garbage", "unset"}) {
        QTest::addRow("%s, kept", how) << QString::fromLatin1(how) << true;
        QTest::addRow("%s, declined", how) << QString::fromLatin1(how) << false;
    }
}

void TrackerTest::addWithoutAnAnswer_isKeptOnlyOnTheUsersWord() {
    QFETCH(QString, how);
    QFETCH(bool, keep);
    const QString address = how == u"unset"     ? QString()
                            : how == u"refused" ? QStringLiteral("http://127.0.0.1:1")
                                                : m_stub.baseUrl();
    if (how == u"silent") {
        m_stub.neverAnswer(service);
    } else if (how == u"garbage") {
        m_stub.answer(service, "<html>维护中</html>");
    }
    Rig r(address);
    r.fake.dialogs.answers = {keep};
    const TrackedParcel fresh{
        ParcelId(),  QStringLiteral("YT555"), yuantong, QStringLiteral("yuantong"), QStringLiteral("新相机"),
        std::nullopt};
    const Outcome<> sent = r.tracker->addParcel(fresh);
    QCOMPARE(bool(sent), how != u"unset" || keep);
    if (!sent) {
        QCOMPARE(sent.failure().reason, QStringLiteral("已取消添加,新快递【新相机】未保存"));
    }
    // A window waits out the ten seconds of a reply that brought nothing.
    if (how == u"silent" || how == u"refused") {
        TRY_VERIFY(harness::runningAnswerLimit(*r.tracker));
        harness::tickAnswerLimit(*r.tracker, 10);
    }
    TRY_COMPARE(r.fake.dialogs.texts().size(), 1);
    QVERIFY(r.fake.dialogs.texts().first().contains(QStringLiteral("是否先进行保存?")));
    const QList<ParcelRow> stored = must(r.parcels.byNumber(fresh.number));
    QCOMPARE(stored.size(), keep ? 1 : 0);
    if (keep) {
        QCOMPARE((QStringList{stored[0].company, stored[0].goods, stored[0].num}),
                 (QStringList{yuantong, fresh.goods, QStringLiteral("0")}));
        QCOMPARE(r.added, (QList<QPair<qint64, bool>>{{stored[0].id.value(), false}}));
    } else {
        QCOMPARE(r.hints.last(), QStringLiteral("已取消添加,新快递【新相机】未保存"));
    }
    QVERIFY(!r.tracker->busy());
}

void TrackerTest::addInFlightIsNotDropped() {
    Rig r(m_stub.baseUrl());
    const ParcelId first = r.add(QStringLiteral("YT100"), QStringLiteral("爸爸衣服"));
    r.query(first);
    r.tracker->startLoop(1);
    m_stub.neverAnswer(service);
    const TrackedParcel fresh{
        ParcelId(),  QStringLiteral("YT777"), yuantong, QStringLiteral("yuantong"), QStringLiteral("新快递"),
        std::nullopt};
    QVERIFY(r.tracker->addParcel(fresh));
    TRY_COMPARE(m_stub.count(service), 2);

    // Neither a pick nor the loop's turn replaces it.
    r.hints.clear();
    const Outcome<> refused = r.tracker->selectParcel(first);
    QVERIFY(!refused);
    QCOMPARE(refused.failure().reason, QStringLiteral("正在添加新快递,请稍候.."));
    tick(r.timer("Timer6"));
    QTest::qWait(100);
    QCOMPARE(m_stub.count(service), 2);
    QCOMPARE(r.hints.count(QStringLiteral("正在添加新快递,请稍候..")), 2);
    QVERIFY(r.tracker->busy());
    QCOMPARE(r.tracker->current()->id, first);

    const qsizetype alerts = r.alertsRaised();
    m_stub.release(service);
    TRY_COMPARE(r.added.size(), 1);
    const QList<ParcelRow> stored = must(r.parcels.byNumber(QStringLiteral("YT777")));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].goods, QStringLiteral("新快递"));
    QCOMPARE(r.added[0], qMakePair(stored[0].id.value(), true));
    QVERIFY(!r.tracker->busy());
    // The add's answer is the new parcel's first: announced once, naming the stored parcel.
    QCOMPARE(r.alertsRaised(), alerts + 2);
    QCOMPARE(r.fake.desktop.notifications.last().parcelId, stored[0].id.value());
    // The window then picks it: its progress is shown as new and stored, not announced again; the
    // overview knows it, already seen.
    r.query(stored[0].id);
    QCOMPARE(r.shown.last(), UpdateState::NewProgress);
    QCOMPARE(r.storedNum(stored[0].id), QString::number(inTransit().size()));
    QCOMPARE(r.alertsRaised(), alerts + 2);
    const std::optional<ProgressRow> overview = must(r.progress.byParcel(stored[0].id));
    QVERIFY(overview);
    QCOMPARE(overview->status, QStringLiteral("运送中"));
    QCOMPARE(overview->newest, inTransit().first().second);
    QVERIFY(!overview->unseen);
    const QList<ProgressEntry> kept = must(r.progress.entries(stored[0].id));
    QCOMPARE(kept.size(), inTransit().size());
    QCOMPARE(kept.last().context, inTransit().last().second);

    // An add dropped by the window says it was not saved, and its answer saves nothing.
    m_stub.neverAnswer(service);
    QVERIFY(r.tracker->addParcel({ParcelId(), QStringLiteral("YT888"), yuantong, QStringLiteral("yuantong"),
                                  QStringLiteral("外卖"), std::nullopt}));
    TRY_COMPARE(m_stub.count(service), 3);
    r.tracker->abandonQuery();
    QCOMPARE(r.hints.last(), QStringLiteral("已取消添加,新快递【外卖】未保存"));
    QVERIFY(!r.tracker->busy());
    m_stub.release(service);
    QTest::qWait(200);
    QVERIFY(must(r.parcels.byNumber(QStringLiteral("YT888"))).isEmpty());
    QCOMPARE(r.added.size(), 1);
    QVERIFY(r.tracker->selectParcel(first));
}

void TrackerTest::addSeries_takesItsReasonsFromTheFailures() {
    Rig r(m_stub.baseUrl());
    m_stub.neverAnswer(service);
    AddSeries series(*r.tracker, nullptr);
    QList<AddResult> results;
    QObject::connect(&series, &AddSeries::added, &r.owner,
                     [&results](int, const AddResult &result) { results.append(result); });
    const TrackedParcel lamp{
        ParcelId(),  QStringLiteral("YT901"), yuantong, QStringLiteral("yuantong"), QStringLiteral("台灯"),
        std::nullopt};
    QVERIFY(r.tracker->addParcel({ParcelId(), QStringLiteral("YT900"), yuantong, QStringLiteral("yuantong"),
                                  QStringLiteral("书"), std::nullopt}));
    TRY_COMPARE(m_stub.count(service), 1);
    // Refused at once while another add waits: the refusal the tracker returned, told once that add
    // is over.
    series.start({lamp});
    r.tracker->abandonQuery();
    TRY_COMPARE(results.size(), 1);
    QCOMPARE(results[0].kind, AddResult::Kind::NotAdded);
    QCOMPARE(results[0].failure->reason, QStringLiteral("正在添加新快递,请稍候.."));
    // Dropped while its request waits: the failure the add's road reported.
    series.start({lamp});
    TRY_COMPARE(m_stub.count(service), 2);
    r.tracker->abandonQuery();
    TRY_COMPARE(results.size(), 2);
    QCOMPARE(results[1].kind, AddResult::Kind::NotAdded);
    QCOMPARE(results[1].failure->reason, QStringLiteral("已取消添加,新快递【台灯】未保存"));
    QVERIFY(!series.running());
}

void TrackerTest::newProgressIsStoredAndAnnouncedOnce() {
    Rig r(m_stub.baseUrl());
    r.switches.mail = true;
    r.switches.to = QStringLiteral("me@example.org");
    const ParcelId id = r.add(QStringLiteral("YT100"), QStringLiteral("爸爸衣服"));
    QCOMPARE(r.storedNum(id), QStringLiteral("0"));
    r.query(id);
    QCOMPARE(r.shown, QList<UpdateState>{UpdateState::NewProgress});
    QCOMPARE(r.storedNum(id), QStringLiteral("3"));
    QCOMPARE(r.tracker->current()->storedCount, std::optional<qint64>(3));
    QCOMPARE(r.fake.sound.played, QStringList{r.chime});
    QCOMPARE(r.fake.desktop.notifications,
             (QList<DesktopNotification>{{QStringLiteral("快递【爸爸衣服】有新进展"),
                                          inTransit()[0].first + QLatin1Char(' ') + inTransit()[0].second,
                                          id.value()}}));
    QCOMPARE(r.fake.recordingMailer.sent.size(), 1);
    QCOMPARE(r.fake.recordingMailer.sent[0].to, QStringLiteral("me@example.org"));
    QVERIFY(r.fake.recordingMailer.sent[0].subject.contains(QStringLiteral("爸爸衣服")));
    TRY_VERIFY(r.hints.contains(QStringLiteral("快递有最新进展，已发送至邮箱!")));

    // The same progress again is no news.
    r.query(id);
    QCOMPARE(r.shown.last(), UpdateState::NoUpdate);
    QCOMPARE(r.alertsRaised(), 3);

    // Signed for: more entries, yet never an alert.
    m_stub.answer(service, answerWith(Entries{{QStringLiteral("2026-12-08 09:30:00"),
                                               QStringLiteral("已签收，感谢使用")}} +
                                      inTransit()));
    r.query(id);
    QCOMPARE(r.shown.last(), UpdateState::SignedFor);
    QCOMPARE(r.tracker->shownStatus(), std::optional<DeliveryStatus>(DeliveryStatus::SignedFor));
    QCOMPARE(r.alertsRaised(), 3);

    // Sound off: stored, mailed and shown on the desktop, only not heard.
    r.switches.sound = false;
    m_stub.answer(service, answerWith(inTransit()));
    const ParcelId quiet = r.add(QStringLiteral("YT200"), QStringLiteral("妈妈鞋子"));
    r.query(quiet);
    QCOMPARE(r.shown.last(), UpdateState::NewProgress);
    QCOMPARE(r.storedNum(quiet), QStringLiteral("3"));
    QCOMPARE(r.fake.sound.played.size(), 1);
    QCOMPARE(r.fake.desktop.notifications.size(), 2);
    QCOMPARE(r.fake.desktop.notifications[1].summary, QStringLiteral("快递【妈妈鞋子】有新进展"));
    QCOMPARE(r.fake.desktop.notifications[1].parcelId, quiet.value());
    QCOMPARE(r.fake.recordingMailer.sent.size(), 2);

    // Mail off with an address set: no mail.
    r.switches.mail = false;
    const ParcelId unmailed = r.add(QStringLiteral("YT250"), QStringLiteral("台灯"));
    r.query(unmailed);
    QCOMPARE(r.storedNum(unmailed), QStringLiteral("3"));
    QCOMPARE(r.fake.recordingMailer.sent.size(), 2);

    // Mail on without an address, or with one the settings page refuses: no mail, and the hint says why.
    r.switches.mail = true;
    r.switches.to.clear();
    const ParcelId unaddressed = r.add(QStringLiteral("YT300"), QStringLiteral("书"));
    r.query(unaddressed);
    QCOMPARE(r.storedNum(unaddressed), QStringLiteral("3"));
    QCOMPARE(r.fake.recordingMailer.sent.size(), 2);
    QVERIFY(r.hints.contains(QStringLiteral("邮件通知已开启,但没有填写通知邮箱,邮件未发送(请在设置页改正)")));
    r.switches.to = QStringLiteral("you@mail.de");
    r.query(r.add(QStringLiteral("YT350"), QStringLiteral("笔")));
    QCOMPARE(r.fake.recordingMailer.sent.size(), 2);
    QVERIFY(r.hints.contains(
        QStringLiteral("通知邮箱“you@mail.de”不是有效的E-mail地址,邮件未发送(请在设置页改正)")));

    // A book that refuses the count: whoever drives the query hears it, and nothing is news.
    r.switches.to = QStringLiteral("me@example.org");
    const qsizetype alerts = r.alertsRaised();
    const ParcelId refused = r.add(QStringLiteral("YT400"), QStringLiteral("围巾"));
    r.db.exec(QStringLiteral(
        "CREATE TRIGGER refuse_count BEFORE UPDATE ON parcelbook BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    r.query(refused);
    const QueryOutcome &outcome = r.ended.last();
    QVERIFY(outcome.bookFailure && outcome.failed() && !outcome.storedNewProgress());
    QVERIFY2(outcome.bookFailure->reason.startsWith(QStringLiteral("更新记录保存失败!错误原因")),
             qPrintable(outcome.bookFailure->reason));
    QCOMPARE(r.hints.last(), outcome.bookFailure->reason);
    QCOMPARE(r.storedNum(refused), QStringLiteral("0"));
    QCOMPARE(r.alertsRaised(), alerts);
    // Nor when it refuses the entries: the count and the row are taken back with them.
    r.db.exec(QStringLiteral("DROP TRIGGER refuse_count"));
    r.db.exec(QStringLiteral("CREATE TRIGGER refuse_entries BEFORE INSERT ON progress_entry BEGIN "
                             "SELECT RAISE(ABORT, 'refused'); END"));
    r.query(refused);
    QVERIFY(r.ended.last().bookFailure);
    QCOMPARE(r.storedNum(refused), QStringLiteral("0"));
    QVERIFY(!must(r.progress.byParcel(refused)));
    QCOMPARE(r.alertsRaised(), alerts);
}

void TrackerTest::usedUpQuotaPausesAutomaticQueriesForTheDay() {
    Rig r(m_stub.baseUrl());
    r.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(23, 57, 0));
    const ParcelId id = r.add(QStringLiteral("YT100"), QStringLiteral("爸爸衣服"));
    r.query(id);
    QTimer *loop = r.timer("Timer6");
    r.tracker->startLoop(1);
    m_stub.answer(service, codeAnswer("22"));
    tick(loop);
    TRY_COMPARE(r.ended.size(), 2);
    QCOMPARE(r.ended.last().code, QStringLiteral("22"));
    QCOMPARE(m_stub.count(service), 2);
    QVERIFY(r.hints.last().contains(QStringLiteral("今日不再自动查询")));

    // The rest of the day the loop's turns send nothing, also after a stop and a start.
    r.fake.clock.current = QDateTime(QDate(2026, 12, 8), QTime(23, 58, 0));
    r.hints.clear();
    tick(loop);
    r.tracker->stopLoop();
    r.tracker->startLoop(1);
    tick(loop);
    QVERIFY(!r.tracker->busy());
    QTest::qWait(100);
    QCOMPARE(m_stub.count(service), 2);
    QCOMPARE(r.hints.size(), 2);
    QVERIFY(r.hints.last().contains(QStringLiteral("今日不再自动查询")));

    // A query by hand still goes out.
    m_stub.answer(service, answerWith(inTransit()));
    r.query(id);
    QVERIFY(r.ended.last().succeeded());
    QCOMPARE(m_stub.count(service), 3);

    // Past midnight the loop queries again.
    r.fake.clock.current = QDateTime(QDate(2026, 12, 9), QTime(0, 0, 30));
    tick(loop);
    TRY_COMPARE(r.ended.size(), 4);
    QVERIFY(r.ended.last().succeeded());
    QCOMPARE(m_stub.count(service), 4);

    // Used up for a query by hand while no mode runs: the modes are not held back.
    r.tracker->stopLoop();
    m_stub.answer(service, codeAnswer("22"));
    r.query(id);
    QCOMPARE(r.ended.last().code, QStringLiteral("22"));
    r.tracker->startLoop(1);
    tick(loop);
    TRY_COMPARE(m_stub.count(service), 6);
}

void TrackerTest::userSettings_writesAreStoredAndAnnounced() {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const auto restore = qScopeGuard([] { qunsetenv("XDG_CONFIG_HOME"); });
    TempProgramFolder folder;
    Database db = folder.open();
    ProgressStore::addMissingTables(db);
    UserSettings settings(db);
    must(settings.load());
    const auto reading = [](const UserSettings &s) {
        return QStringLiteral("sound %1 mail %2 to %3 watch %4/%5 smtp %6")
            .arg(s.soundOn())
            .arg(s.mailOn())
            .arg(s.address())
            .arg(s.watchOn())
            .arg(s.watchMinutes())
            .arg(s.services().mail.smtpUrl);
    };
    const auto saveServices = [&settings] {
        ServiceSettings saved;
        saved.mail.smtpUrl = QStringLiteral("smtp://127.0.0.1:2525");
        QVERIFY(servicesfile::write(servicesfile::location(), saved));
        settings.reloadServices();
    };
    const struct {
        std::function<void()> change;
        SettingsPart part;
        // What the settings read then, and read again afresh from the book.
        const char *reads;
    } writes[] = {
        {[&] { must(settings.setSwitch(SettingColumn::Sound, true)); }, SettingsPart::Switches, "sound 1"},
        {[&] { must(settings.setSwitch(SettingColumn::Mail, false)); }, SettingsPart::Switches, "mail 0"},
        {[&] { must(settings.setAddress(QStringLiteral("me@qq.com"))); }, SettingsPart::Switches,
         "to me@qq.com"},
        {[&] { must(settings.setWatch(false, 45)); }, SettingsPart::Watch, "watch 0/45"},
        {saveServices, SettingsPart::Services, "smtp smtp://127.0.0.1:2525"},
    };
    for (const auto &write : writes) {
        QSignalSpy changed(&settings, &UserSettings::changed);
        write.change();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].value<SettingsPart>(), write.part);
        QVERIFY2(reading(settings).contains(QLatin1String(write.reads)), qPrintable(reading(settings)));
        UserSettings again(db);
        must(again.load());
        QCOMPARE(reading(again), reading(settings));
    }

    // A switch the book cannot store stays as it was, unannounced.
    db.exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE UPDATE ON setting BEGIN SELECT RAISE(ABORT, 'no'); END"));
    QSignalSpy changed(&settings, &UserSettings::changed);
    QVERIFY(!settings.setSwitch(SettingColumn::Sound, false));
    QVERIFY(settings.soundOn());
    QVERIFY(changed.isEmpty());
}

QTEST_GUILESS_MAIN(TrackerTest)
namespace {

// An answer of 40 entries, gzip-compressed as a server sends it with Content-Encoding: gzip.
const QByteArray gzippedAnswer = QByteArray(
    "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xab\x56\x2a\x2e\x49\x2c\x29\x2d\x56\xb2\x52\x32\x32\x30"
    "\x50\xd2\x51\x4a\x49\x2c\x49\x54\xb2\x8a\xae\x56\x2a\xc9\xcc\x4d\x05\x8b\x1a\x99\xe9\x1a\x1a\xe9"
    "\x1a\x18\x2a\x18\x1a\x58\x19\x80\x10\x50\x55\x72\x7e\x5e\x49\x6a\x45\x09\x50\xfe\xe9\xfe\xd5\x4f"
    "\x76\x6f\x7b\xba\x7d\xd3\xd3\x8e\x0d\x2f\xf6\xed\x53\x78\x36\x77\xed\xd3\xed\xf3\x94\x6a\x75\x30"
    "\x4d\x30\xa2\xd8\x04\x63\x8a\x4d\x30\xa1\xd8\x04\x53\x8a\x4d\x30\xa3\xd8\x04\x73\x8a\x4d\xb0\xa0"
    "\xd8\x04\x4b\x8a\x4d\x18\x4d\x51\xa3\x29\x6a\x34\x45\x8d\xa6\xa8\xd1\x14\x35\x9a\xa2\x46\x53\xd4"
    "\xb0\x4e\x51\xb1\xb5\x00\x15\xba\x0d\xdc\x69\x0a\x00\x00",
    158);

// One deflate block ending in a full flush: 64 KiB of 'x' in 83 bytes. Repeated, it is a valid gzip
// body (after a gzip header) that never ends and decompresses 790 times larger than it travels.
const QByteArray expandingBlock = QByteArray("\xec\xc1\x01\x01\x00\x00\x00\x80\x90\xdb\xcd\xef\x08\x0a", 14) +
                                  QByteArray(65, '\0') + QByteArray("\x6a\x00\x00\x00\xff\xff", 6);
const QByteArray gzipHeader("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);

// What the process holds in memory now, in KiB.
qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').first().toLongLong();
            }
        }
    }
    return 0;
}

} // namespace

void TrackerTest::webReply_failsPastItsCapOrBrokenInTransfer_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("reason");
    const QByteArray half = gzippedAnswer.left(gzippedAnswer.size() / 2);
    const HttpStub::Headers gzipped{{"Content-Encoding", "gzip"}};
    m_stub.answerEndlessly(QStringLiteral("/endless"), QByteArray(16 * 1024, 'x'));
    m_stub.answerEndlessly(QStringLiteral("/endless-gzip"), expandingBlock.repeated(50), gzipHeader, gzipped);
    m_stub.answer(QStringLiteral("/gzip"), gzippedAnswer, 200, gzipped);
    m_stub.answer(QStringLiteral("/gzip-cut"), half, 200, gzipped);
    m_stub.answer(QStringLiteral("/gzip-garbage"), half + QByteArray(80, '\x5a'), 200, gzipped);
    // A chunk-size line that is no number ends the body for the engine, wherever the answer stood.
    const QByteArray cutBy = "\r\nzz\r\n\"}]}\r\n0\r\n\r\n";
    const HttpStub::Headers chunked{{"Transfer-Encoding", "chunked"}};
    m_stub.answer(QStringLiteral("/chunks-broken"), "1b\r\n{\"status\":\"1\",\"errCode\":\"0\"" + cutBy, 200,
                  chunked);
    m_stub.answer(QStringLiteral("/cut-char"), "7\r\n[\"\xe5\xbf\xab\xe9\x80" + cutBy, 200, chunked);
    m_stub.answer(QStringLiteral("/cut-word"), "6\r\n[1,fal" + cutBy, 200, chunked);
    m_stub.answer(QStringLiteral("/moved"), {}, 302, {{"Location", "/gzip?id=1&secret=k"}});
    m_stub.answer(
        QStringLiteral("/away"), {}, 302,
        {{"Location", "http://localhost:" + QByteArray::number(m_stub.port()) + "/there?secret=k"}});
    const QString cut = QStringLiteral("回答不完整");
    const QString big = QStringLiteral("回答过大");
    QTest::newRow("endless chunked body") << QStringLiteral("/endless") << true << big;
    QTest::newRow("endless gzip body") << QStringLiteral("/endless-gzip") << true << big;
    QTest::newRow("whole gzip body") << QStringLiteral("/gzip") << false << QString();
    QTest::newRow("gzip cut in half") << QStringLiteral("/gzip-cut") << true << cut;
    QTest::newRow("gzip cut then garbage") << QStringLiteral("/gzip-garbage") << true << cut;
    QTest::newRow("chunk framing broken") << QStringLiteral("/chunks-broken") << true << cut;
    QTest::newRow("chunk framing broken in a character") << QStringLiteral("/cut-char") << true << cut;
    QTest::newRow("chunk framing broken in a word") << QStringLiteral("/cut-word") << true << cut;
    QTest::newRow("redirect on the same host") << QStringLiteral("/moved") << false << QString();
    QTest::newRow("redirect to another host")
        << QStringLiteral("/away") << true << QStringLiteral("服务器转到了其他网站,没有跟随");
}

void TrackerTest::webReply_failsPastItsCapOrBrokenInTransfer() {
    QFETCH(QString, path);
    QFETCH(bool, failed);
    QFETCH(QString, reason);
    constexpr qint64 cap = 256 * 1024;
    const qint64 residentBefore = residentKiB();
    qint64 mostResident = residentBefore;
    NetworkWebClient web;
    std::optional<WebReply> reply;
    auto *transfer = qobject_cast<QNetworkReply *>(web.get(
        m_stub.baseUrl() + path, this, [&reply](const WebReply &answer) { reply = answer; },
        WebLimits{0, cap, true}));
    QVERIFY(transfer);
    qint64 mostReceived = 0;
    connect(transfer, &QNetworkReply::downloadProgress, this,
            [&mostReceived, &mostResident](qint64 received) {
                mostReceived = std::max(mostReceived, received);
                mostResident = std::max(mostResident, residentKiB());
            });
    TRY_VERIFY(reply.has_value());
    QCOMPARE(reply->failure.has_value(), failed);
    QCOMPARE(reply->failure ? reply->failure->reason : QString(), reason);
    // Nothing, the account's keys least of all, went to the other host.
    QCOMPARE(m_stub.count(QStringLiteral("/there")), 0);
    // Nothing past the cap and the one read that crossed it was ever taken in.
    QVERIFY2(mostReceived <= cap + 256 * 1024, qPrintable(QString::number(mostReceived)));
    // Nor does a body that expands as it is decoded grow the process past a few blocks.
    QVERIFY2(mostResident - residentBefore < 32 * 1024,
             qPrintable(QString::number(mostResident - residentBefore)));
    if (!failed) {
        QVERIFY(reply->body.startsWith(QStringLiteral("{\"status\":\"200\"")));
        QVERIFY(reply->body.contains(QStringLiteral("快件已到达 杭州")));
        return;
    }
    if (path != QStringLiteral("/endless")) {
        return;
    }
    // A transfer whose asker has gone while the body streams stops at once and tells nobody, long
    // before any cap would have stopped it.
    auto *asker = new QObject(this);
    bool told = false;
    QPointer<QNetworkReply> abandoned = qobject_cast<QNetworkReply *>(web.get(
        m_stub.baseUrl() + path, asker, [&told](const WebReply &) { told = true; }, WebLimits{0, cap}));
    qint64 arrived = 0;
    connect(abandoned, &QNetworkReply::downloadProgress, this,
            [&arrived](qint64 received) { arrived = received; });
    TRY_VERIFY(arrived > 0);
    QVERIFY(!abandoned->isFinished());
    delete asker;
    QVERIFY(abandoned.isNull() || abandoned->isFinished());
    QTest::qWait(50);
    QVERIFY(!told);
}

#include "tst_tracker.moc"
