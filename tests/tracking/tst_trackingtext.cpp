// Reading the tracking answers into values: result codes, entries, transit time, status, pickup code,
// expected delivery, new progress and version texts.
#include "store/ParcelStore.h"
#include "text/JsonText.h"
#include "tracking/DeliveryEstimate.h"
#include "tracking/ParcelState.h"
#include "tracking/ProgressReport.h"
#include "tracking/TrackingAnswer.h"
#include "tracking/TrackingText.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tracking;

namespace oracle {

// The first parser, kept as the reference: it split the answer anew for every piece, which took
// time growing with the square of the answer, but its results define what a split must give for
// answers without escapes.
std::optional<QString> piece(const QString &answer, const QString &marker, int i) {
    qsizetype from = 0;
    for (int found = 0; found < i; ++found) {
        const qsizetype at = answer.indexOf(marker, from);
        if (at < 0) {
            return std::nullopt;
        }
        from = at + marker.size();
    }
    const qsizetype next = answer.indexOf(marker, from);
    const QString whole = answer.mid(from, next < 0 ? -1 : next - from);
    const qsizetype quote = whole.indexOf(QLatin1Char('"'));
    return quote < 0 ? whole : whole.left(quote);
}

QList<ProgressEntry> parseEntries(const QString &answer, int count) {
    QList<ProgressEntry> entries;
    ProgressEntry previous;
    for (int i = 1; i <= count; ++i) {
        ProgressEntry entry = previous;
        if (const auto time = piece(answer, QStringLiteral("\"time\":\""), i)) {
            entry.time = *time;
        }
        if (const auto context = piece(answer, QStringLiteral("\"context\":\""), i)) {
            entry.context = *context;
        }
        entries.append(entry);
        previous = entry;
    }
    return entries;
}

// Answers made of the pieces that make splitting hard: markers, stray quotes and key words,
// markers that share a quote, missing pieces, and a random cut at the end.
QString awkwardAnswer(QRandomGenerator &random) {
    static const QStringList pieces = {QStringLiteral("\"time\":\""),
                                       QStringLiteral("\"context\":\""),
                                       QStringLiteral("\""),
                                       QStringLiteral("\"time\":\"time\":\""),
                                       QStringLiteral("time"),
                                       QStringLiteral("context"),
                                       QStringLiteral("\":\""),
                                       QStringLiteral("{\"errCode\":\"0\",\"data\":["),
                                       QStringLiteral("},{"),
                                       QStringLiteral("2026-12-08 09:00:00"),
                                       QStringLiteral("快件已到达 杭州"),
                                       QStringLiteral("]}"),
                                       QStringLiteral("\"time\":"),
                                       QStringLiteral(","),
                                       QStringLiteral("\"updatetime\":\"x\"")};
    QString answer;
    const int length = random.bounded(1, 40);
    for (int i = 0; i < length; ++i) {
        answer += pieces[random.bounded(static_cast<int>(pieces.size()))];
    }
    return answer.left(random.bounded(static_cast<int>(answer.size()) + 1));
}

} // namespace oracle

class TrackingTextTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void queryUrl_encodesValuesInOrder();
    void resultCode_data();
    void resultCode();
    void resultMessages_coverTheTable();
    void entries_countOnlyTheTimeMarker();
    void entries_missingPiecesRepeatThePreviousEntry();
    void entries_oneSplitGivesWhatTheOldParserGave();
    void decodeJsonText_data();
    void decodeJsonText();
    void entries_escapedValuesAreDecoded();
    void transitText_data();
    void transitText();
    void secondsBetween_readsServiceTimes();
    void classify_data();
    void classify();
    void interpretAnswer_data();
    void interpretAnswer();
    void report_data();
    void report();
    void pickupCode_data();
    void pickupCode();
    void estimate_data();
    void estimate();
    void updateState_data();
    void updateState();
    void stall_data();
    void stall();
    void parcelState_data();
    void parcelState();
    void publishedVersion_data();
    void publishedVersion();
    void announcement();
};

void TrackingTextTest::queryUrl_encodesValuesInOrder() {
    const TrackingService service{QStringLiteral("http://127.0.0.1:9"), QStringLiteral("271828"),
                                  QStringLiteral("3f6c1e9a0b7d42c58e1f2a3b4c5d6e7f"),
                                  QStringLiteral("5B1E7C20A94D3F86E2C70B19D4A6F853")};
    QCOMPARE(
        queryUrl(service, QStringLiteral("yuantong"), QStringLiteral("12 3&4#5")),
        QStringLiteral("http://127.0.0.1:9/"
                       "?id=271828&secret=3f6c1e9a0b7d42c58e1f2a3b4c5d6e7f&com=yuantong&nu=12%203%264%235"
                       "&id=5B1E7C20A94D3F86E2C70B19D4A6F853&type=json&ord=desc"));
    // The account is the user's: another account goes in the same places, encoded like the rest.
    const TrackingService other{QStringLiteral("http://127.0.0.1:9"), QStringLiteral("7"),
                                QStringLiteral("k&"), QStringLiteral("s")};
    QCOMPARE(
        queryUrl(other, QStringLiteral("shunfeng"), QStringLiteral("SF1")),
        QStringLiteral("http://127.0.0.1:9/?id=7&secret=k%26&com=shunfeng&nu=SF1&id=s&type=json&ord=desc"));
    QCOMPARE(recognitionUrl(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("SF14 02+3")),
             QStringLiteral("http://127.0.0.1:9/autonumber/auto?num=SF14%2002%2B3"));
}

void TrackingTextTest::resultCode_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("success");
    QTest::newRow("zero") << QStringLiteral(R"({"errCode":"0","data":[]})") << true << QStringLiteral("0")
                          << true;
    QTest::newRow("double zero") << QStringLiteral(R"({"errCode":"00"})") << true << QStringLiteral("00")
                                 << true;
    QTest::newRow("empty code") << QStringLiteral(R"({"errCode":""})") << true << QString() << true;
    QTest::newRow("no closing quote") << QStringLiteral(R"({"errCode":"7)") << true << QString() << true;
    QTest::newRow("first wins") << QStringLiteral(R"({"errCode":"22","x":{"errCode":"0"}})") << true
                                << QStringLiteral("22") << false;
    QTest::newRow("unknown") << QStringLiteral(R"({"errCode":"1"})") << true << QStringLiteral("1") << false;
    QTest::newRow("error page") << QStringLiteral("<html>502 Bad Gateway</html>") << false << QString()
                                << false;
}

void TrackingTextTest::resultCode() {
    QFETCH(QString, answer);
    QFETCH(bool, present);
    QFETCH(QString, code);
    QFETCH(bool, success);
    const std::optional<QString> read = tracking::resultCode(answer);
    QCOMPARE(read.has_value(), present);
    if (present) {
        QCOMPARE(*read, code);
        QCOMPARE(isSuccess(*read), success);
    }
}

void TrackingTextTest::resultMessages_coverTheTable() {
    const struct {
        const char *code;
        const char16_t *message;
    } codes[] = {{"2", u"验证码错误,可能此快递公司失效,请联系管理员"},
                 {"3", u"链接查询服务器失败!请稍后再试.."},
                 {"4", u"程序内部错误!请稍后再试.."},
                 {"5", u"程序执行错误!请稍后再试.."},
                 {"6", u"递单号格式错误!请您检查.."},
                 {"7", u"快递公司错误错误!请您检查.."},
                 {"10", u"未知错误，请稍后再试.."},
                 {"20", u"API错误..请联系管理员检查.."},
                 {"21", u"API出问题,请联系管理员更新.."},
                 {"22", u"非常抱歉!API今日查询次数已尽,请您明日再使用!"}};
    for (const auto &code : codes) {
        QCOMPARE(resultMessage(QString::fromLatin1(code.code)), QString::fromUtf16(code.message));
        // Read from a whole answer, each is a failure carrying its message.
        const tracking::TrackingAnswer answer =
            tracking::interpretAnswer(QStringLiteral(R"({"status":"0","errCode":"%1","message":"x"})")
                                          .arg(QString::fromLatin1(code.code)));
        QCOMPARE(int(answer.kind), int(tracking::AnswerKind::Failure));
        QCOMPARE(answer.message, QString::fromUtf16(code.message));
    }
    QVERIFY(resultMessage(QStringLiteral("1")).isEmpty());
    QVERIFY(resultMessage(QStringLiteral("8")).isEmpty());
    QVERIFY(resultMessage(QStringLiteral("010")).isEmpty());
}

void TrackingTextTest::entries_countOnlyTheTimeMarker() {
    const QString answer = QStringLiteral(
        R"({"errCode":"0","updatetime":"2026-12-08 10:00:00","message":"time out? no","data":[)"
        R"({"time":"2026-12-08 09:00:00","context":"派送中"},{"time":"2026-12-07 08:00:00","context":"已揽收"}]})");
    QCOMPARE(countEntries(answer), 2);
    const QList<ProgressEntry> entries = parseEntries(answer, countEntries(answer));
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].time, QStringLiteral("2026-12-08 09:00:00"));
    QCOMPARE(entries[0].context, QStringLiteral("派送中"));
    QCOMPARE(entries[1].time, QStringLiteral("2026-12-07 08:00:00"));
    QCOMPARE(entries[1].context, QStringLiteral("已揽收"));
    QCOMPARE(countEntries(QStringLiteral(R"({"errCode":"0","data":[]})")), 0);
}

void TrackingTextTest::entries_missingPiecesRepeatThePreviousEntry() {
    // Two time markers but one context marker: the second entry keeps the first one's text.
    const QString answer = QStringLiteral(R"([{"time":"A","context":"甲"},{"time":"B"}])");
    const QList<ProgressEntry> entries = parseEntries(answer, 3);
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[1].time, QStringLiteral("B"));
    QCOMPARE(entries[1].context, QStringLiteral("甲"));
    QCOMPARE(entries[2].time, QStringLiteral("B"));
}

void TrackingTextTest::entries_oneSplitGivesWhatTheOldParserGave() {
    QRandomGenerator random(20261208);
    for (int run = 0; run < 3000; ++run) {
        const QString answer = oracle::awkwardAnswer(random);
        const int count = static_cast<int>(answer.count(QStringLiteral("\"time\":\"")));
        QCOMPARE(countEntries(answer), count);
        // Also more entries than there are pieces, as an answer with stray markers asks for.
        for (const int asked : {count, count + 2}) {
            const QList<ProgressEntry> expected = oracle::parseEntries(answer, asked);
            const QList<ProgressEntry> split = parseEntries(answer, asked);
            QCOMPARE(split.size(), expected.size());
            for (qsizetype i = 0; i < split.size(); ++i) {
                QCOMPARE(split[i].time, expected[i].time);
                QCOMPARE(split[i].context, expected[i].context);
            }
        }
        QCOMPARE(readEntries(answer, 32767).size(), qsizetype(count));
    }
}

void TrackingTextTest::decodeJsonText_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("快件已到达") << QStringLiteral("快件已到达");
    QTest::newRow("the service's escapes")
        << QStringLiteral(R"(快件已到达 \"北京\" \u4e2d\u8f6c\u4e2d\u5fc3 https:\/\/x.cn)")
        << QStringLiteral(R"(快件已到达 "北京" 中转中心 https://x.cn)");
    QTest::newRow("backslash, line break, tab")
        << QStringLiteral(R"(a\\b\nc\td)") << QStringLiteral("a\\b\nc\td");
    QTest::newRow("surrogate pair") << QStringLiteral(R"(\ud83d\udce6 到了)") << QStringLiteral("📦 到了");
    QTest::newRow("upper-case hex") << QStringLiteral(R"(\u4E2D)") << QStringLiteral("中");
    QTest::newRow("unknown escape stays") << QStringLiteral(R"(\x41)") << QStringLiteral(R"(\x41)");
    QTest::newRow("short \\u stays") << QStringLiteral(R"(\u4e2)") << QStringLiteral(R"(\u4e2)");
    QTest::newRow("lone high surrogate stays")
        << QStringLiteral(R"(\ud83d!)") << QStringLiteral(R"(\ud83d!)");
    QTest::newRow("lone low surrogate stays") << QStringLiteral(R"(\udce6)") << QStringLiteral(R"(\udce6)");
    QTest::newRow("trailing backslash stays") << QStringLiteral(R"(到达\)") << QStringLiteral(R"(到达\)");
}

void TrackingTextTest::decodeJsonText() {
    QFETCH(QString, raw);
    QFETCH(QString, text);
    QCOMPARE(::decodeJsonText(raw), text);
}

void TrackingTextTest::entries_escapedValuesAreDecoded() {
    // An escaped quote does not end the value; an escaped backslash before the closing quote does.
    const QString answer = QStringLiteral(
        R"({"errCode":"0","data":[{"time":"2026-12-08 09:00:00","context":"快件已到达 \"北京\" )"
        R"(\u4e2d\u8f6c\u4e2d\u5fc3 https:\/\/x.cn"},{"time":"2026-12-07 08:00:00","context":"C:\\"}]})");
    const QList<ProgressEntry> entries = readEntries(answer, 32767);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].context, QStringLiteral(R"(快件已到达 "北京" 中转中心 https://x.cn)"));
    QCOMPARE(entries[1].time, QStringLiteral("2026-12-07 08:00:00"));
    QCOMPARE(entries[1].context, QStringLiteral(R"(C:\)"));
}

void TrackingTextTest::transitText_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("90061") << qint64(90061) << QStringLiteral("1天1小时1分");
    QTest::newRow("zero") << qint64(0) << QStringLiteral("0天0小时0分");
    QTest::newRow("just under a day") << qint64(86399) << QStringLiteral("0天23小时59分");
    QTest::newRow("2d 3h 15m") << qint64(2 * 86400 + 3 * 3600 + 15 * 60 + 59)
                               << QStringLiteral("2天3小时15分");
}

void TrackingTextTest::transitText() {
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(tracking::transitText(seconds), text);
}

void TrackingTextTest::secondsBetween_readsServiceTimes() {
    const QDateTime now(QDate(2026, 12, 8), QTime(10, 1, 1));
    QCOMPARE(secondsBetween(QStringLiteral("2026-12-07 09:00:00"), now).value(), qint64(90061));
    QCOMPARE(secondsBetween(QStringLiteral("2026-12-7 9:00:00"), now).value(), qint64(90061));
    QVERIFY(!secondsBetween(QStringLiteral("昨天"), now).has_value());
    QVERIFY(!secondsBetween(QString(), now).has_value());
}

void TrackingTextTest::classify_data() {
    QTest::addColumn<QStringList>("contexts");
    QTest::addColumn<int>("status");
    QTest::newRow("signed newest") << QStringList{QStringLiteral("已签收"), QStringLiteral("派件中"),
                                                  QStringLiteral("揽收")}
                                   << int(DeliveryStatus::SignedFor);
    QTest::newRow("妥投 second") << QStringList{QStringLiteral("到达网点"), QStringLiteral("妥投")}
                                 << int(DeliveryStatus::SignedFor);
    QTest::newRow("感谢") << QStringList{QStringLiteral("感谢使用")} << int(DeliveryStatus::SignedFor);
    QTest::newRow("out for delivery") << QStringList{QStringLiteral("快件正在派送中"), QStringLiteral("到达")}
                                      << int(DeliveryStatus::OutForDelivery);
    QTest::newRow("single accepted") << QStringList{QStringLiteral("已揽收")}
                                     << int(DeliveryStatus::InTransit);
    QTest::newRow("third row ignored")
        << QStringList{QStringLiteral("运输中"), QStringLiteral("到达"), QStringLiteral("已签收")}
        << int(DeliveryStatus::InTransit);
    QTest::newRow("no rows") << QStringList{} << int(DeliveryStatus::InTransit);
}

void TrackingTextTest::classify() {
    QFETCH(QStringList, contexts);
    QFETCH(int, status);
    QList<ProgressEntry> entries;
    for (const QString &context : contexts) {
        entries.append({QStringLiteral("2026-12-08 09:00:00"), context});
    }
    QCOMPARE(int(tracking::classify(entries)), status);
}

void TrackingTextTest::interpretAnswer_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("contexts");
    const QString unreadable = QStringLiteral("查询服务返回了无法识别的数据,请稍后再试..");
    QTest::newRow("nothing came") << QString() << int(AnswerKind::NoAnswer) << QString() << QStringList();
    QTest::newRow("error page") << QStringLiteral("<html>502</html>") << int(AnswerKind::Unreadable)
                                << unreadable << QStringList();
    QTest::newRow("success, two entries, a stray time word")
        << QStringLiteral(R"({"errCode":"0","updatetime":"x","data":[{"time":"2026-12-08 09:00:00",)"
                          R"("context":"派送中"},{"time":"2026-12-07 08:00:00","context":"已揽收"}]})")
        << int(AnswerKind::Success) << QString()
        << QStringList{QStringLiteral("派送中"), QStringLiteral("已揽收")};
    QTest::newRow("success, no entries yet") << QStringLiteral(R"({"errCode":"00","data":[]})")
                                             << int(AnswerKind::Success) << QString() << QStringList();
    QTest::newRow("empty code is success")
        << QStringLiteral(R"({"errCode":"","data":[{"time":"t","context":"c"}]})") << int(AnswerKind::Success)
        << QString() << QStringList{QStringLiteral("c")};
    QTest::newRow("not known") << QStringLiteral(R"({"errCode":"1"})") << int(AnswerKind::NotKnown)
                               << QString() << QStringList();
    QTest::newRow("quota used up") << QStringLiteral(R"({"errCode":"22"})") << int(AnswerKind::Failure)
                                   << QStringLiteral("非常抱歉!API今日查询次数已尽,请您明日再使用!")
                                   << QStringList();
    QTest::newRow("unlisted code keeps the hint")
        << QStringLiteral(R"({"errCode":"8"})") << int(AnswerKind::Failure) << QString() << QStringList();
}

void TrackingTextTest::interpretAnswer() {
    QFETCH(QString, body);
    QFETCH(int, kind);
    QFETCH(QString, message);
    QFETCH(QStringList, contexts);
    const TrackingAnswer answer = tracking::interpretAnswer(body);
    QCOMPARE(int(answer.kind), kind);
    QCOMPARE(answer.message, message);
    QStringList read;
    for (const ProgressEntry &entry : answer.entries) {
        read.append(entry.context);
    }
    QCOMPARE(read, contexts);
}

void TrackingTextTest::report_data() {
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QStringList>("contexts");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("transit");
    // Now is 2026-12-08 10:01:01 in every row.
    QTest::newRow("in transit: up to now")
        << QStringList{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("2026-12-07 09:00:00")}
        << QStringList{QStringLiteral("到达杭州"), QStringLiteral("已揽收")} << int(DeliveryStatus::InTransit)
        << QStringLiteral("1天1小时1分");
    QTest::newRow("signed for: up to the newest entry")
        << QStringList{QStringLiteral("2026-12-08 09:30:00"), QStringLiteral("2026-12-06 06:00:00")}
        << QStringList{QStringLiteral("已签收"), QStringLiteral("揽收")} << int(DeliveryStatus::SignedFor)
        << QStringLiteral("2天3小时30分");
    QTest::newRow("out for delivery: up to now")
        << QStringList{QStringLiteral("2026-12-08 09:30:00"), QStringLiteral("2026-12-08 10:00:00")}
        << QStringList{QStringLiteral("快件正在派送中"), QStringLiteral("已揽收")}
        << int(DeliveryStatus::OutForDelivery) << QStringLiteral("0天0小时1分");
    QTest::newRow("acceptance time not a date")
        << QStringList{QStringLiteral("2026-12-08 09:30:00"), QStringLiteral("昨天")}
        << QStringList{QStringLiteral("到达"), QStringLiteral("揽收")} << int(DeliveryStatus::InTransit)
        << QStringLiteral("0天0小时0分");
    QTest::newRow("signed for, newest time not a date")
        << QStringList{QStringLiteral("刚才"), QStringLiteral("2026-12-06 06:00:00")}
        << QStringList{QStringLiteral("妥投"), QStringLiteral("揽收")} << int(DeliveryStatus::SignedFor)
        << QStringLiteral("0天0小时0分");
}

void TrackingTextTest::report() {
    QFETCH(QStringList, times);
    QFETCH(QStringList, contexts);
    QFETCH(int, status);
    QFETCH(QString, transit);
    QList<ProgressEntry> entries;
    for (qsizetype i = 0; i < times.size(); ++i) {
        entries.append({times[i], contexts[i]});
    }
    const ProgressReport read = reportProgress(entries, QDateTime(QDate(2026, 12, 8), QTime(10, 1, 1)));
    QCOMPARE(int(read.status), status);
    QCOMPARE(read.transitText, transit);
    QCOMPARE(read.rowCount(), int(times.size()));
}

void TrackingTextTest::pickupCode_data() {
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("code");
    const auto row = [](const char *name, const char16_t *newest, const char16_t *code,
                        DeliveryStatus status = DeliveryStatus::InTransit, const char16_t *previous = u"") {
        QTest::newRow(name) << QString::fromUtf16(newest) << QString::fromUtf16(previous) << int(status)
                            << QString::fromUtf16(code);
    };
    row("station, 凭取件码", u"【杭州市】快件已到达幸福里小区驿站,请凭取件码 8-2-1234 及时取件", u"8-2-1234");
    row("locker, brackets", u"已存放至【丰巢智能柜】3号柜,请凭取件码【60172588】取件", u"60172588");
    row("colon, times after", u"【菜鸟驿站】代收,取件码:5-3-2011,营业时间 8:00-21:00", u"5-3-2011");
    row("提货码：, phone after", u"快件已到达兔喜超市,提货码：A12-3456,电话 13812345678", u"A12-3456");
    row("round brackets", u"已放入快递柜,取件码(563214),派件员 13900001111", u"563214",
        DeliveryStatus::OutForDelivery);
    row("凭 the code itself", u"您的包裹已到达妈妈驿站,凭3-1-0087取件", u"3-1-0087");
    row("开箱码 before 柜号", u"快件已投递至幸福里智能柜,柜号：B07,开箱码 347812", u"347812");
    row("柜号 alone", u"已放入3栋快递柜,柜号 12,请凭短信取件", u"12");
    row("为 and a deadline", u"取件码为：2-4-5012，请于今日18:00前取件", u"2-4-5012");
    row("no blank", u"您的快递已到达菜鸟驿站，取件码8-2-1234，请尽快取件", u"8-2-1234");
    row("凭提货码, square brackets", u"快件已到达京东自提点,请凭提货码 [8826] 提货", u"8826");
    row("fullwidth code", u"【驿站】请凭取货码：Ａ１２－３４５６取件", u"A12-3456");
    row("取件验证码", u"您的快件已到丰巢柜,取件验证码 778899,超时将收取保管费", u"778899");
    row("凭…开箱码", u"请凭短信中的开箱码 5566 开柜取件", u"5566");
    row("blanks inside brackets", u"已放入快递柜 5 号格口,取件码【 12-0431 】", u"12-0431");
    row("是, lower-case letters", u"您的取货码是 b3-0902,请到店出示", u"b3-0902");
    row("reminder after the arrival", u"您的快件在驿站已存放超过24小时,请尽快领取", u"8-2-1234",
        DeliveryStatus::InTransit, u"快件已到达幸福里驿站,取件码 8-2-1234");
    row("the newest code wins", u"快件已转至1号柜,取件码 1-1-1001", u"1-1-1001", DeliveryStatus::InTransit,
        u"快件已到达驿站,取件码 2-2-2002");
    row("signed for", u"您的快件已签收,签收人:幸福里驿站,取件码 8-2-1234", u"", DeliveryStatus::SignedFor);
    row("phone number", u"【杭州市】快件已到达 杭州转运中心,快递员:张师傅,电话:13812345678", u"");
    row("time, landline", u"李四正在派件,预计 18:30 前送达,电话 0571-88886666", u"",
        DeliveryStatus::OutForDelivery);
    row("order and tracking numbers", u"订单号 20261208123456 已出库,运单号 SF1402345678901", u"");
    row("code sent elsewhere", u"取件码已发送至您的手机,请注意查收", u"");
    row("phone tail", u"请凭手机尾号 1234 取件", u"");
    row("phone number after 凭", u"请凭手机号码 13812345678 取件", u"");
    row("identity number", u"快件已到达驿站,凭身份证号码后四位 0012 取件", u"");
    row("code by message", u"取件码：见短信", u"");
}

void TrackingTextTest::pickupCode() {
    QFETCH(QString, newest);
    QFETCH(QString, previous);
    QFETCH(int, status);
    QFETCH(QString, code);
    const std::optional<QString> found = pickupCodeOf(newest, previous, DeliveryStatus(status));
    // A code is never empty: no code reads as an empty one.
    QCOMPARE(found.value_or(QString()), code);
}

void TrackingTextTest::estimate_data() {
    // The book's delivered 顺丰 parcels, by hours from acceptance to signing; today is 2026-12-08.
    QTest::addColumn<QList<int>>("hours");
    QTest::addColumn<QString>("company");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("accepted");
    QTest::addColumn<bool>("awaitingPickup");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("basis");
    const auto row = [](const char *name, QList<int> hours, const char16_t *accepted, const char16_t *text,
                        int basis, DeliveryStatus status = DeliveryStatus::InTransit, bool waiting = false,
                        const char16_t *company = u"顺丰速运") {
        QTest::newRow(name) << hours << QString::fromUtf16(company) << int(status)
                            << QString::fromUtf16(accepted) << waiting << QString::fromUtf16(text) << basis;
    };
    row("two days each, accepted today", {48, 48, 48}, u"2026-12-08 09:00:00", u"预计 12月10日 送达", 3);
    row("late acceptance", {48, 48, 48}, u"2026-12-08 23:00:00", u"预计 12月10日 送达", 3);
    row("the median of a narrow spread", {24, 30, 36, 40, 44}, u"2026-12-07 10:00:00", u"预计 12月8日 送达",
        5);
    row("a wide spread gives a range", {24, 48, 96}, u"2026-12-08 09:00:00", u"预计 12月9日–12月12日 送达",
        3);
    row("a range starts today at the earliest", {24, 48, 120}, u"2026-12-06 09:00:00",
        u"预计 12月8日–12月11日 送达", 3);
    row("too few parcels", {48, 48}, u"2026-12-08 09:00:00", u"", 0);
    row("a signing before the acceptance is no duration", {48, 48, -5}, u"2026-12-08 09:00:00", u"", 0);
    row("overdue", {24, 24, 24}, u"2026-12-01 09:00:00", u"", 0);
    row("acceptance time not a date", {48, 48, 48}, u"昨天", u"", 0);
    row("out for delivery, whatever the history", {}, u"2026-12-01 09:00:00", u"预计 12月8日 送达", 0,
        DeliveryStatus::OutForDelivery);
    row("signed for", {48, 48, 48}, u"2026-12-08 09:00:00", u"", 0, DeliveryStatus::SignedFor);
    row("waiting at a pickup point", {48, 48, 48}, u"2026-12-08 09:00:00", u"", 0, DeliveryStatus::InTransit,
        true);
    row("another courier", {48, 48, 48}, u"2026-12-08 09:00:00", u"", 0, DeliveryStatus::InTransit, false,
        u"中通快递");
}

void TrackingTextTest::estimate() {
    QFETCH(QList<int>, hours);
    QFETCH(QString, company);
    QFETCH(int, status);
    QFETCH(QString, accepted);
    QFETCH(bool, awaitingPickup);
    QFETCH(QString, text);
    QFETCH(int, basis);
    const QDateTime start(QDate(2026, 11, 1), QTime(8, 0));
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QList<DeliveredParcel> delivered;
    for (int taken : hours) {
        delivered.append({QStringLiteral("顺丰速运"), start.toString(format),
                          start.addSecs(taken * 3600LL).toString(format)});
    }
    const std::optional<DeliveryEstimate> estimate = DeliveryHistory(delivered).estimate(
        {company, DeliveryStatus(status), accepted, awaitingPickup}, QDate(2026, 12, 8));
    QCOMPARE(estimate ? estimateText(*estimate) : QString(), text);
    QCOMPARE(estimate ? estimate->basis : 0, basis);
}

void TrackingTextTest::updateState_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("word");
    const int transit = int(DeliveryStatus::InTransit);
    const int fresh = int(UpdateState::NewProgress);
    const int same = int(UpdateState::NoUpdate);
    QTest::newRow("0 -> 3") << QStringLiteral("0") << 3 << transit << fresh << QStringLiteral("有更新");
    QTest::newRow("3 -> 3") << QStringLiteral("3") << 3 << transit << same << QStringLiteral("无更新");
    QTest::newRow("empty -> 5") << QString() << 5 << transit << same << QStringLiteral("无更新");
    QTest::newRow("fewer than stored")
        << QStringLiteral("5") << 3 << transit << same << QStringLiteral("无更新");
    QTest::newRow("leading digits") << QStringLiteral("3条") << 4 << transit << fresh
                                    << QStringLiteral("有更新");
    QTest::newRow("text reads 0") << QStringLiteral("abc") << 1 << int(DeliveryStatus::OutForDelivery)
                                  << fresh << QStringLiteral("有更新");
    QTest::newRow("signed for never alerts") << QStringLiteral("2") << 4 << int(DeliveryStatus::SignedFor)
                                             << int(UpdateState::SignedFor) << QStringLiteral("已签收");
}

void TrackingTextTest::updateState() {
    QFETCH(QString, stored);
    QFETCH(int, rows);
    QFETCH(int, status);
    QFETCH(int, state);
    QFETCH(QString, word);
    // The count as the book stores it: text, read by its leading digits, empty while none is stored.
    ParcelRow row;
    row.num = stored;
    const UpdateState read = tracking::updateState(row.storedCount(), rows, DeliveryStatus(status));
    QCOMPARE(int(read), state);
    QCOMPARE(updateWord(read), word);
}

void TrackingTextTest::stall_data() {
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QString>("context");
    QTest::addColumn<int>("days");
    // Now is 2026-12-08 10:00:00 in every row; -1: not stalled.
    const QString arrived = QStringLiteral("到达杭州");
    QTest::newRow("three days less a minute") << QStringLiteral("2026-12-05 10:01:00") << arrived << -1;
    QTest::newRow("three days and a minute") << QStringLiteral("2026-12-05 09:59:00") << arrived << 3;
    QTest::newRow("ten days") << QStringLiteral("2026-11-28 10:00:00") << arrived << 10;
    QTest::newRow("signed for and old")
        << QStringLiteral("2026-11-28 10:00:00") << QStringLiteral("已签收") << -1;
    QTest::newRow("unreadable time") << QStringLiteral("上周") << arrived << -1;
}

void TrackingTextTest::stall() {
    QFETCH(QString, newest);
    QFETCH(QString, context);
    QFETCH(int, days);
    const QDateTime now(QDate(2026, 12, 8), QTime(10, 0, 0));
    const ProgressReport report = reportProgress(
        {{newest, context}, {QStringLiteral("2026-11-20 08:00:00"), QStringLiteral("已揽收")}}, now);
    const std::optional<int> stalled = stalledDays(report, now);
    QCOMPARE(stalled.value_or(-1), days);
    QCOMPARE(finishedHint(report, now), days < 0
                                            ? QStringLiteral("查询完毕...")
                                            : QStringLiteral("已%1天没有新进展,建议联系快递公司").arg(days));
}

void TrackingTextTest::parcelState_data() {
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QString>("state");
    // Now is 2026-12-08 10:00:00 in every row; no status: never answered with entries.
    const QString recent = QStringLiteral("2026-12-07 10:00:00");
    const QString old = QStringLiteral("2026-11-28 10:00:00");
    QTest::newRow("never answered") << QString() << QString() << "not_queried";
    QTest::newRow("moving") << QStringLiteral("运送中") << recent << "in_transit";
    QTest::newRow("out for delivery") << QStringLiteral("派件中") << recent << "out_for_delivery";
    QTest::newRow("signed for long ago") << QStringLiteral("已签收") << old << "delivered";
    QTest::newRow("stalled on the road") << QStringLiteral("运送中") << old << "stalled";
    QTest::newRow("stalled out for delivery") << QStringLiteral("派件中") << old << "stalled";
    QTest::newRow("three days less a minute")
        << QStringLiteral("运送中") << QStringLiteral("2026-12-05 10:01:00") << "in_transit";
    QTest::newRow("unreadable time") << QStringLiteral("运送中") << QStringLiteral("上周") << "in_transit";
}

void TrackingTextTest::parcelState() {
    QFETCH(QString, status);
    QFETCH(QString, newest);
    QFETCH(QString, state);
    const std::optional<QString> word = status.isEmpty() ? std::nullopt : std::optional(status);
    QCOMPARE(stateKey(tracking::parcelState(word, newest, QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0)))),
             state);
}

void TrackingTextTest::publishedVersion_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("published");
    QTest::newRow("exact") << QStringLiteral("V5.0") << true;
    QTest::newRow("line break") << QStringLiteral("V5.0\r\n") << true;
    QTest::newRow("newer with blanks") << QStringLiteral("  V5.1 ") << true;
    QTest::newRow("portal page") << QStringLiteral("<html><body>请登录</body></html>") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("suffix") << QStringLiteral("V5.0beta") << false;
    QTest::newRow("no V") << QStringLiteral("5.0") << false;
    QTest::newRow("32 characters") << QStringLiteral("V1.2.3.4.5.6.7.8.9.0.1.2.3.4.5.6") << true;
    QTest::newRow("longer than a version") << QStringLiteral("V1.2.3.4.5.6.7.8.9.0.1.2.3.4.5.67") << false;
}

void TrackingTextTest::publishedVersion() {
    QFETCH(QString, body);
    QFETCH(bool, published);
    QCOMPARE(isPublishedVersion(body), published);
}

void TrackingTextTest::announcement() {
    const Announcement none;
    const Announcement read = readAnnouncement(QStringLiteral("新版发布|http://127.0.0.1/new|extra"), none);
    QCOMPARE(read.text, QStringLiteral("新版发布"));
    QCOMPARE(read.address, QStringLiteral("http://127.0.0.1/new"));
    const Announcement trailing = readAnnouncement(QStringLiteral("新版发布|"), none);
    QCOMPARE(trailing.text, QStringLiteral("新版发布"));
    QVERIFY(trailing.address.isEmpty());
    const Announcement noBar = readAnnouncement(QStringLiteral("只有文字"), none);
    QVERIFY(noBar.text.isEmpty());
    QVERIFY(noBar.address.isEmpty());
    const Announcement kept = readAnnouncement(QString(), read);
    QCOMPARE(kept.text, read.text);
    QCOMPARE(kept.address, read.address);
}

QTEST_GUILESS_MAIN(TrackingTextTest)
#include "tst_trackingtext.moc"
