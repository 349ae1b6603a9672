// parcelbook-cli: how it words outcomes and lists the book, in-process; then as a script would run it:
// its streams, its exit codes, and what it leaves in the book.
#include "cli/OutcomeJson.h"
#include "cli/OutcomeText.h"
#include "cli/ParcelListing.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/ProgressStore.h"
#include "store/SettingsStore.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "support/WindowHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace harness;

namespace {

struct Ran {
    int code = -1;
    QString out;
    QString err;
    QByteArray outBytes;
};

// Characters a terminal acts on (of those the tests send), but the line feed that ends each line.
const QRegularExpression
    obeyedByTerminals(QStringLiteral("[\\x00-\\x09\\x0b-\\x1f\\x7f-\\x9f\\x{202e}\\x{2028}]"));

// A window title, a cleared screen, colour, a carriage return, a C1 introducer, text turned around and
// a line break, and how a terminal is shown them.
const QString controls = QStringLiteral("\x1b]0;x\x07\x1b[2J\x1b[31m\r") + QChar(0x9b) + QChar(0x202e) +
                         QChar(0x2028) + QStringLiteral("\n");
const QString controlsShown = QStringLiteral(R"(\x1b]0;x\x07\x1b[2J\x1b[31m\x0d\x9b\u202e\u2028\x0a)");

// An outcome as the commands word it, with the day the parcel is expected.
struct Worded {
    QueryOutcome outcome;
    std::optional<DeliveryEstimate> estimate;
};

Worded worded(tracking::AnswerKind kind, const QString &code, const QString &message,
              const QList<ProgressEntry> &entries = {}) {
    Worded shown;
    shown.outcome.parcel = {ParcelId(1),
                            QStringLiteral("3101234567890"),
                            QStringLiteral("圆通速递"),
                            QStringLiteral("yuantong"),
                            QStringLiteral("衣服"),
                            std::nullopt};
    shown.outcome.kind = kind;
    shown.outcome.code = code;
    shown.outcome.message = message;
    shown.outcome.report.entries = entries;
    shown.outcome.report.transitText = QStringLiteral("1天");
    return shown;
}

} // namespace

Q_DECLARE_METATYPE(Worded)

class CliTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void outcomeText_data();
    void outcomeText();
    void outcomeJson_data();
    void outcomeJson();
    void listing_tableAndJson();
    void list_streamsWithoutHoldingTheBook();
    void query_printsStoresAndSaysWhy();
    void pickupCodeAndEstimate_inQueryAndList();
    void export_writesTheWindowsBytes();
    void scripts_exitCodesAndStderr_data();
    void scripts_exitCodesAndStderr();
    void arguments_streamsAndExitCodes_data();
    void arguments_streamsAndExitCodes();
    void export_writesOnlyWhereItIsSafe_data();
    void export_writesOnlyWhereItIsSafe();
    void query_mailsNewProgressByTheBooksSettings();
    void watch_summarisesAndSaysEachFailure();
    void start_saysWhyInChinese_data();
    void start_saysWhyInChinese();
    void terminal_showsControlsInsteadOfObeyingThem();
    void add_storesQueriesAndSaysWhatItSkipped();

private:
    // Runs the program (or one that runs it) while this process's event loop keeps the stub answering;
    // input, when given, is its standard input.
    Ran run(const TempProgramFolder &folder, const QStringList &arguments,
            const QProcessEnvironment &extra = QProcessEnvironment(),
            const QString &program = QStringLiteral(PARCELBOOK_CLI), const QByteArray &input = {});
    QString storedCount(const TempProgramFolder &folder, const QString &number);

    HttpStub m_stub;
};

void CliTest::initTestCase() {
    QVERIFY(m_stub.listen());
}

Ran CliTest::run(const TempProgramFolder &folder, const QStringList &arguments,
                 const QProcessEnvironment &extra, const QString &program, const QByteArray &input) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PARCELBOOK_PROGRAM_DIR"), folder.path());
    environment.insert(QStringLiteral("PARCELBOOK_TRACKING_URL"), m_stub.baseUrl());
    environment.insert(extra);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        return {};
    }
    if (!input.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(out),
            QString::fromUtf8(process.readAllStandardError()), out};
}

QString CliTest::storedCount(const TempProgramFolder &folder, const QString &number) {
    Database db = folder.open();
    return must(ParcelStore(db).byNumber(number)).value(0).num;
}

void CliTest::outcomeText_data() {
    QTest::addColumn<Worded>("shown");
    QTest::addColumn<QString>("text");
    // The watch pass's line, for an outcome it says.
    QTest::addColumn<QString>("watched");
    using tracking::AnswerKind;
    const QString parcel = QStringLiteral("编号 1  3101234567890  圆通速递  衣服\n");
    const QList<ProgressEntry> two{{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("到达杭州")},
                                   {QStringLiteral("2026-12-07 08:00:00"), controls}};
    Worded news = worded(AnswerKind::Success, QStringLiteral("0"), QString(), two);
    news.outcome.update = tracking::UpdateState::NewProgress;
    const QString newestFirst =
        QStringLiteral("  2026-12-08 08:00:00  到达杭州\n  2026-12-07 08:00:00  ") + controlsShown + u'\n';
    // Texts of the book and the service are shown written out, never obeyed.
    QTest::newRow("new progress, newest first")
        << news << parcel + QStringLiteral("状态:运送中  在途时间:1天  有更新\n") + newestFirst << QString();
    news.outcome.bookFailure = Failure{QStringLiteral("磁盘已满")};
    QTest::newRow("new progress the book did not keep")
        << news << parcel + QStringLiteral("状态:运送中  在途时间:1天  新进展未能记下\n") + newestFirst
        << QStringLiteral("编号 1  衣服  磁盘已满\n");
    Worded waiting = worded(AnswerKind::Success, QString(), QString(), two.first(1));
    waiting.outcome.report.status = DeliveryStatus::OutForDelivery;
    waiting.outcome.report.pickupCode = QStringLiteral("8-2-1234");
    waiting.outcome.stalledDays = 20;
    waiting.estimate = DeliveryEstimate{QDate(2026, 12, 10), QDate(2026, 12, 10), 3};
    QTest::newRow("pickup code, expected day, weeks without progress")
        << waiting
        << parcel + QStringLiteral("状态:派件中  在途时间:1天  无更新\n取件码:8-2-1234\n预计 12月10日 送达\n"
                                   "已20天没有新进展,建议联系快递公司\n  2026-12-08 08:00:00  到达杭州\n")
        << QString();
    const QString unknown = QStringLiteral("您当前查询的快递单号已不存在");
    QTest::newRow("a number the service does not know")
        << worded(AnswerKind::NotKnown, QStringLiteral("1"), unknown) << parcel + unknown + u'\n'
        << QStringLiteral("编号 1  衣服  %1(结果码 1)\n").arg(unknown);
    const QString silent = QStringLiteral("查询服务没有应答(无法连接服务器)");
    QTest::newRow("no answer") << worded(AnswerKind::NoAnswer, QString(), silent)
                               << parcel + QStringLiteral("查询失败(结果码 无):%1\n").arg(silent)
                               << QStringLiteral("编号 1  衣服  %1\n").arg(silent);
    Worded refused = worded(AnswerKind::Failure, QStringLiteral("2\x1b[2J"),
                            QStringLiteral("查询服务返回了结果码 2\x1b[2J"));
    refused.outcome.parcel.goods = controls;
    QTest::newRow("controls in a refusal")
        << refused << QStringLiteral("编号 1  3101234567890  圆通速递  ") + controlsShown + QStringLiteral(R"(
查询失败(结果码 2\x1b[2J):查询服务返回了结果码 2\x1b[2J
)")
        << QStringLiteral("编号 1  ") + controlsShown +
               QStringLiteral(R"(  查询服务返回了结果码 2\x1b[2J(结果码 2\x1b[2J)
)");
}

void CliTest::outcomeText() {
    QFETCH(Worded, shown);
    QFETCH(QString, text);
    QFETCH(QString, watched);
    QCOMPARE(::outcomeText(shown.outcome, shown.estimate), text);
    if (!watched.isEmpty()) {
        QCOMPARE(watchLine(shown.outcome), watched);
    }
    // The counter of query --all stays on one line.
    QCOMPARE(progressLine(2, 5, QStringLiteral("长").repeated(30) + controls),
             QStringLiteral("查询 2/5 ") + QStringLiteral("长").repeated(19) + QStringLiteral("…"));
}

void CliTest::outcomeJson_data() {
    QTest::addColumn<Worded>("shown");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("json");
    using tracking::AnswerKind;
    QTest::newRow("a number the service does not know")
        << worded(AnswerKind::NotKnown, QStringLiteral("1"), QStringLiteral("不存在"))
        << QStringLiteral("not_queried")
        << QByteArray(
               R"({"answered":true,"code":"1","company":"圆通速递","entries":[],"goods":"衣服","id":1,)"
               R"("message":"不存在","number":"3101234567890","state":"not_queried","succeeded":false})");
    Worded answered = worded(AnswerKind::Success, QStringLiteral("0"), QString(),
                             {{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("已签收")}});
    answered.outcome.report.status = DeliveryStatus::SignedFor;
    answered.outcome.update = tracking::UpdateState::NewProgress;
    answered.estimate = DeliveryEstimate{QDate(2026, 12, 10), QDate(2026, 12, 11), 3};
    // Its code is null: all went well.
    QTest::newRow("answered")
        << answered << QStringLiteral("delivered")
        << QByteArray(R"({"answered":true,"code":null,"company":"圆通速递",)"
                      R"("entries":[{"text":"已签收","time":"2026-12-08 08:00:00"}],)"
                      R"("estimatedDelivery":{"basis":3,"earliest":"2026-12-10","latest":"2026-12-11"},)"
                      R"("goods":"衣服","id":1,"message":"","newProgress":true,"number":"3101234567890",)"
                      R"("pickupCode":null,"stalledDays":null,"state":"delivered","status":"已签收",)"
                      R"("succeeded":true,"transit":"1天"})");
}

void CliTest::outcomeJson() {
    QFETCH(Worded, shown);
    QFETCH(QString, state);
    QFETCH(QByteArray, json);
    const QJsonArray array{::outcomeJson(shown.outcome, shown.estimate, state)};
    QCOMPARE(QJsonDocument(array.first().toObject()).toJson(QJsonDocument::Compact), json);
    QCOMPARE(jsonText(array).toUtf8(), QJsonDocument(array).toJson(QJsonDocument::Indented));
}

void CliTest::listing_tableAndJson() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                     QStringLiteral("爸爸的衣服"));
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"),
                     QStringLiteral("\"书\" & 笔"));
    const auto listed = [](const TempProgramFolder &book, bool json) {
        Database db = book.open();
        QByteArray out;
        const bool written =
            writeParcelList(db, json, QDateTime::currentDateTime(), [&out](const QByteArray &chunk) {
                out += chunk;
                return true;
            });
        return written ? QString::fromUtf8(out) : QString();
    };
    // Columns line up in a terminal, where a Chinese character takes two columns.
    QCOMPARE(listed(folder, false), QStringLiteral("编号  单号           快递公司  物品        进度条数\n"
                                                   "1     3101234567890  圆通速递  爸爸的衣服  0\n"
                                                   "2     9876543210123  顺丰快递  \"书\" & 笔   0\n"));
    // The JSON is written row by row, byte for byte as Qt's document writer writes the same array:
    // escapes, control characters, a line separator, an emoji, bytes that are not UTF-8 (read as the
    // program reads text), a count with words after it; and an empty book.
    const auto documentOf = [](const TempProgramFolder &book) {
        Database db = book.open();
        QJsonArray array;
        for (const ParcelRow &row : must(ParcelStore(db).all())) {
            array.append(QJsonObject{{QStringLiteral("id"), row.id.value()},
                                     {QStringLiteral("number"), row.number},
                                     {QStringLiteral("company"), row.company},
                                     {QStringLiteral("goods"), row.goods},
                                     {QStringLiteral("count"), row.storedCount().value_or(0)},
                                     {QStringLiteral("pickupCode"), QJsonValue::Null},
                                     {QStringLiteral("estimatedDelivery"), QJsonValue::Null},
                                     {QStringLiteral("state"), QStringLiteral("not_queried")},
                                     {QStringLiteral("status"), QJsonValue::Null}});
        }
        return QJsonDocument(array).toJson(QJsonDocument::Indented);
    };
    {
        Database db = folder.open();
        const QByteArray goods = QByteArray("a\\b\x01\x1f\x7f\r\n\t\b\f/") + QString(QChar(0x2028)).toUtf8() +
                                 QStringLiteral("📦").toUtf8() + QByteArray("\xff\xe4\xbd");
        db.exec(QStringLiteral("INSERT INTO parcelbook (number, company, goods, num) VALUES "
                               "('AB12', '韵达快递', CAST(X'%1' AS TEXT), ' 12条')")
                    .arg(QString::fromLatin1(goods.toHex())));
    }
    QCOMPARE(listed(folder, true).toUtf8(), documentOf(folder));
    // The table shows those controls written out, and cuts a long cell rather than pad every row to it.
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("SF1"), QStringLiteral("长").repeated(3400));
    const QString table = listed(folder, false);
    QVERIFY2(!table.contains(obeyedByTerminals) && table.size() < 800, qPrintable(table));
    QVERIFY2(table.contains(QStringLiteral(R"(a\b\x01\x1f\x7f\x0d\x0a\x09\x08\x0c/\u2…)")),
             qPrintable(table));
    QVERIFY(table.contains(QStringLiteral("长").repeated(19) + QStringLiteral("…")));
    TempProgramFolder emptyBook;
    QCOMPARE(listed(emptyBook, true).toUtf8(), documentOf(emptyBook));
}

void CliTest::list_streamsWithoutHoldingTheBook() {
    TempProgramFolder folder;
    // --version says project()'s version, as the window's version line does.
    Ran ran = run(folder, {QStringLiteral("--version")});
    QCOMPARE(ran.out.trimmed().section(QLatin1Char(' '), -1), QStringLiteral(PARCELBOOK_PROJECT_VERSION));
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    ran = run(folder, {QStringLiteral("list"), QStringLiteral("--json")});
    QCOMPARE(ran.code, 0);
    QCOMPARE(QJsonDocument::fromJson(ran.outBytes).array().size(), 1);

    // A listing whose reader has stopped reading (a pager left open) holds no lock on the book: a
    // query meanwhile stores its count at once.
    TempProgramFolder bigBook;
    bigBook.addManyParcels();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PARCELBOOK_PROGRAM_DIR"), bigBook.path());
    QProcess stalled;
    QProcess reader;
    stalled.setProcessEnvironment(environment);
    stalled.setStandardOutputProcess(&reader);
    // The reader takes the first byte, says so and reads no more: the listing has begun and soon
    // fills the pipe.
    reader.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("head -c 1 >/dev/null; echo begun; exec sleep 60")});
    stalled.start(QStringLiteral(PARCELBOOK_CLI), {QStringLiteral("list")});
    QVERIFY(stalled.waitForStarted() && reader.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(reader.canReadLine(), 20000);
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit()));
    QElapsedTimer took;
    took.start();
    ran = run(bigBook, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("1")});
    QCOMPARE(ran.code, 0);
    QVERIFY2(took.elapsed() < 4000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(storedCount(bigBook, QStringLiteral("0")), QString::number(inTransit().size()));
    // The listing was still waiting for its reader all along.
    QCOMPARE(stalled.state(), QProcess::Running);
    stalled.kill();
    reader.kill();
    stalled.waitForFinished();
    reader.waitForFinished();

    // Output that cannot be written (a full disk) is said, not taken for done.
    QProcess full;
    full.setProcessEnvironment(environment);
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(QStringLiteral(PARCELBOOK_CLI), {QStringLiteral("list")});
    QVERIFY(full.waitForFinished(30000));
    QCOMPARE(full.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(full.readAllStandardError()),
             QStringLiteral("快递列表没有全部写出:磁盘已满\n"));

    // Usage and an unusable book have codes of their own.
    QCOMPARE(run(folder, {QStringLiteral("list"), QStringLiteral("x")}).code, 2);
    QCOMPARE(run(folder, {QStringLiteral("lsit")}).code, 2);
    QFile::remove(folder.databasePath());
    ran = run(folder, {QStringLiteral("list")});
    QCOMPARE(ran.code, 4);
    // The cause in Chinese; the engine's own words only in the log line before it.
    QVERIFY2(ran.err.contains(QStringLiteral("无法打开快递列表 %1:文件不存在\n").arg(folder.databasePath())),
             qPrintable(ran.err));
    QVERIFY(!QFile::exists(folder.databasePath()));
}

void CliTest::query_printsStoresAndSaysWhy() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("1111111111111"), QStringLiteral("书"));
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit()));
    const QString inTransitCount = QString::number(inTransit().size());

    // One parcel by number: its progress on stdout, and the new count stored once.
    Ran ran = run(folder, {QStringLiteral("query"), QStringLiteral("3101234567890")});
    QCOMPARE(ran.code, 0);
    QVERIFY2(ran.out.contains(QStringLiteral("  有更新\n")) && ran.err.isEmpty(), qPrintable(ran.out));
    QVERIFY(m_stub.requests().last().target.contains("nu=3101234567890"));
    QCOMPARE(storedCount(folder, QStringLiteral("3101234567890")), inTransitCount);
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("1"),
                       QStringLiteral("--json")});
    QCOMPARE(ran.code, 0);
    const QJsonObject once = QJsonDocument::fromJson(ran.out.toUtf8()).array().at(0).toObject();
    QCOMPARE(once[QStringLiteral("newProgress")].toBool(), false);
    QCOMPARE(once[QStringLiteral("entries")].toArray().size(), inTransit().size());

    // The service says otherwise for one of all: its code and message, and exit 1.
    m_stub.answerOnce(QStringLiteral("/"), answerWith(inTransit()));
    m_stub.answerOnce(QStringLiteral("/"), codeAnswer("2"));
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("--all")});
    QCOMPARE(ran.code, 1);
    QVERIFY2(ran.out.startsWith(QStringLiteral("编号 1  3101234567890")), qPrintable(ran.out));
    QVERIFY2(!ran.out.contains(QStringLiteral("编号 2")), qPrintable(ran.out));
    QVERIFY2(ran.err.contains(QStringLiteral("编号 2  1111111111111  顺丰快递  书\n查询失败(结果码 2):")),
             qPrintable(ran.err));
    QCOMPARE(storedCount(folder, QStringLiteral("1111111111111")), QStringLiteral("0"));

    // A service that cannot be reached: said at once, not after the window's ten seconds.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    QProcessEnvironment unreachable;
    unreachable.insert(QStringLiteral("PARCELBOOK_TRACKING_URL"),
                       QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
    QElapsedTimer took;
    took.start();
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("1")}, unreachable);
    QCOMPARE(ran.code, 1);
    QVERIFY2(ran.err.contains(QStringLiteral("查询服务没有应答(无法连接服务器),请检查网络后再试")),
             qPrintable(ran.err));
    // The library's own words go to the log line only, never into what the user is told.
    const QString told = ran.err.section(QStringLiteral("查询失败"), 1);
    QVERIFY2(!told.isEmpty() && !told.contains(QStringLiteral("refused")), qPrintable(ran.err));
    QVERIFY2(took.elapsed() < 8000, qPrintable(QString::number(took.elapsed())));

    // Wrong arguments, an unknown parcel.
    QCOMPARE(run(folder, {QStringLiteral("query")}).code, 2);
    QCOMPARE(run(folder, {QStringLiteral("query"), QStringLiteral("1"), QStringLiteral("--all")}).code, 2);
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("9")});
    QCOMPARE(ran.code, 2);
    QCOMPARE(ran.err, QStringLiteral("快递列表里没有编号为 9 的快递\n"));
    // A number an older version stored with a blank is found by the number as typed today.
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral(" 3101234567899"), QStringLiteral("旧账"));
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("3101234567899")});
    QVERIFY2(ran.code == 0 && ran.out.contains(QStringLiteral("旧账")), qPrintable(ran.err));
}

void CliTest::scripts_exitCodesAndStderr_data() {
    QTest::addColumn<QStringList>("arguments");
    // Answered in turn; "down" and "held" are a service nobody answers on and a window holding the book.
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("code");
    // The exact error stream, or its start for a usage error (the usage follows).
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("output");

    const QString all = QStringLiteral("--all");
    const QStringList queryAll{QStringLiteral("query"), all};
    const QByteArray unknown = codeAnswer("1");
    const QByteArray signedFor =
        answerWith({{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("已签收,签收人:本人")}});
    const QStringList exportOne{QStringLiteral("export"), QStringLiteral("--id"), QStringLiteral("1")};
    QTest::newRow("one unknown number, one signed for")
        << queryAll << QList{unknown, signedFor} << QString() << 0 << QString()
        << QStringLiteral("编号 1  3101234567890  圆通速递  衣服\n您当前查询的快递单号已不存在\n");
    QTest::newRow("the same as JSON")
        << QStringList{QStringLiteral("query"), all, QStringLiteral("--json")} << QList{unknown, signedFor}
        << QString() << 0 << QString() << QStringLiteral("\"code\": \"1\"");
    QTest::newRow("watch, both numbers unknown")
        << QStringList{QStringLiteral("watch")} << QList{unknown, unknown} << QString() << 0 << QString()
        << QStringLiteral("已检查 2 个快递,0 个有新进展,0 个失败\n");
    QTest::newRow("service down") << queryAll << QList<QByteArray>() << QStringLiteral("down") << 1
                                  << QStringLiteral(
                                         "编号 1  3101234567890  圆通速递  衣服\n查询失败(结果码 无):"
                                         "查询服务没有应答(无法连接服务器)")
                                  << QString();
    QTest::newRow("book held") << queryAll << QList<QByteArray>() << QStringLiteral("held") << 3
                               << QStringLiteral("岚舟包裹通正在使用快递列表") << QString();
    QTest::newRow("--all with a number")
        << QStringList{QStringLiteral("query"), all, QStringLiteral("3101234567890")} << QList<QByteArray>()
        << QString() << 2 << QStringLiteral("--all 查询全部快递,不再接受单号:3101234567890\n") << QString();
    QTest::newRow("--force onto a device")
        << exportOne + QStringList{QStringLiteral("/dev/null"), QStringLiteral("--force")}
        << QList<QByteArray>() << QString() << 2
        << QStringLiteral("“/dev/null”是设备文件,不是普通文件,没有写入\n") << QString();
    QTest::newRow("a missing folder")
        << exportOne + QStringList{QStringLiteral("/不在/进度.txt")} << QList<QByteArray>() << QString() << 2
        << QStringLiteral("文件夹“/不在”不存在,没有写入\n") << QString();
    QTest::newRow("export in UTF-8")
        << exportOne + QStringList{QStringLiteral("-"), QStringLiteral("--encoding"), QStringLiteral("utf-8")}
        << QList{signedFor} << QString() << 0 << QString()
        << QStringLiteral("1          2026-12-08 08:00:00   已签收,签收人:本人\n");
}

void CliTest::scripts_exitCodesAndStderr() {
    QFETCH(QStringList, arguments);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QString, setting);
    QFETCH(int, code);
    QFETCH(QString, said);
    QFETCH(QString, output);

    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"), QStringLiteral("书"));
    m_stub.answer(QStringLiteral("/"), codeAnswer("2"));
    for (const QByteArray &answer : answers) {
        m_stub.answerOnce(QStringLiteral("/"), answer);
    }
    QProcessEnvironment environment;
    if (setting == QStringLiteral("down")) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        environment.insert(QStringLiteral("PARCELBOOK_TRACKING_URL"),
                           QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
    }
    QProcess window;
    if (setting == QStringLiteral("held")) {
        window.start(QStringLiteral(PARCELBOOK_INSTANCE_PROBE), {folder.path(), QStringLiteral("--hold")});
        QVERIFY(window.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(window.canReadLine() || window.state() == QProcess::NotRunning, 600000);
        QCOMPARE(window.readLine().trimmed(), QByteArray("started"));
    }
    const qsizetype sent = m_stub.requests().size();
    const Ran ran = run(folder, arguments, environment);
    window.kill();
    window.waitForFinished();
    QCOMPARE(ran.code, code);
    // Past the failures, stderr may carry a log line (the library's own words), never a progress note.
    QVERIFY2(code == 0 ? ran.err.isEmpty() : ran.err.contains(said), qPrintable(ran.err));
    QVERIFY2(ran.out.contains(output) && !ran.out.contains(u'\r'), qPrintable(ran.out));
    if (code >= 2) {
        QCOMPARE(m_stub.requests().size(), sent);
    }
    if (arguments.contains(QStringLiteral("--json"))) {
        const QJsonArray parcels = QJsonDocument::fromJson(ran.outBytes).array();
        QCOMPARE(parcels.size(), 2);
        QCOMPARE(parcels[0].toObject()[QStringLiteral("state")].toString(), QStringLiteral("not_queried"));
        QCOMPARE(parcels[1].toObject()[QStringLiteral("state")].toString(), QStringLiteral("delivered"));
    }
}

void CliTest::pickupCodeAndEstimate_inQueryAndList() {
    TempProgramFolder folder;
    const QString courier = QStringLiteral("顺丰速运");
    const QDate today = QDate::currentDate();
    const auto at = [](QDate day) -> QString {
        return day.toString(Qt::ISODate) + QStringLiteral(" 00:00:01");
    };
    folder.addDeliveredParcels(courier, today);
    folder.addParcel(courier, QStringLiteral("SF2001"), QStringLiteral("台灯"));
    folder.addParcel(courier, QStringLiteral("SF2002"), QStringLiteral("茶叶"));
    const QDate due = today.addDays(2);

    // Accepted today: expected the day after tomorrow, by the book's delivered parcels.
    m_stub.answer(QStringLiteral("/"),
                  answerWith({{at(today), QStringLiteral("【深圳市】顺丰速运 已收取快件")}}));
    Ran ran = run(folder, {QStringLiteral("query"), QStringLiteral("SF2001"), QStringLiteral("--json")});
    const QJsonObject lamp = QJsonDocument::fromJson(ran.out.toUtf8()).array().at(0).toObject();
    QCOMPARE(lamp[QStringLiteral("estimatedDelivery")].toObject(),
             (QJsonObject{{QStringLiteral("earliest"), due.toString(Qt::ISODate)},
                          {QStringLiteral("latest"), due.toString(Qt::ISODate)},
                          {QStringLiteral("basis"), 3}}));
    QVERIFY(lamp[QStringLiteral("pickupCode")].isNull());

    // Waiting at a pickup point: its code, and no day.
    m_stub.answer(QStringLiteral("/"),
                  answerWith({{at(today), QStringLiteral("快件已到达驿站,请凭取件码 8-2-1234 取件")}}));
    QCOMPARE(run(folder, {QStringLiteral("query"), QStringLiteral("SF2002")}).code, 0);

    // The list carries both fields for every parcel, laid out as Qt's document writer lays them out.
    ran = run(folder, {QStringLiteral("list"), QStringLiteral("--json")});
    QCOMPARE(ran.code, 0);
    const QJsonDocument listed = QJsonDocument::fromJson(ran.out.toUtf8());
    QCOMPARE(listed.toJson(QJsonDocument::Indented), ran.outBytes);
    const QJsonArray rows = listed.array();
    QCOMPARE(rows[3].toObject()[QStringLiteral("estimatedDelivery")],
             lamp[QStringLiteral("estimatedDelivery")]);
    QCOMPARE(rows[4].toObject()[QStringLiteral("pickupCode")].toString(), QStringLiteral("8-2-1234"));
    QVERIFY(rows[4].toObject()[QStringLiteral("estimatedDelivery")].isNull());
    QCOMPARE(rows[3].toObject()[QStringLiteral("state")].toString(), QStringLiteral("in_transit"));
    QCOMPARE(rows[0].toObject()[QStringLiteral("state")].toString(), QStringLiteral("delivered"));
    // Signed for: neither.
    QVERIFY(rows[0].toObject()[QStringLiteral("pickupCode")].isNull() &&
            rows[0].toObject()[QStringLiteral("estimatedDelivery")].isNull());
}

void CliTest::export_writesTheWindowsBytes() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("进度.txt"));
    m_stub.answer(QStringLiteral("/"),
                  answerWith({{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral(R"(到达 \"杭州\")")},
                              {QStringLiteral("2026-12-07 08:00:00"), QStringLiteral("已揽收")}}));
    Ran ran = run(folder, {QStringLiteral("export"), QStringLiteral("3101234567890"), file});
    QCOMPARE(ran.code, 0);
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QStringEncoder gbk("GB18030");
    QCOMPARE(written.readAll(),
             QByteArray(gbk.encode(QStringLiteral("1          2026-12-08 08:00:00   到达 \"杭州\"\r\n"
                                                  "2          2026-12-07 08:00:00   已揽收\r\n"))));
    written.close();

    // A refused query writes nothing.
    QVERIFY(QFile::remove(file));
    m_stub.answer(QStringLiteral("/"), codeAnswer("2"));
    ran = run(folder, {QStringLiteral("export"), QStringLiteral("--id"), QStringLiteral("1"), file});
    QCOMPARE(ran.code, 1);
    QVERIFY(ran.err.contains(QStringLiteral("查询失败(结果码 2)")));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(run(folder, {QStringLiteral("export"), QStringLiteral("3101234567890")}).code, 2);

    // The number is read as the window's boxes read it; text without a number is a usage error.
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("SF1402345678901"), QStringLiteral("书"));
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit()));
    QCOMPARE(run(folder, {QStringLiteral("export"), QStringLiteral("sf-1402345678901"), file}).code, 0);
    QVERIFY(m_stub.requests().last().target.contains("&nu=SF1402345678901&"));
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("取件码6021")});
    QCOMPARE(ran.code, 2);
    QVERIFY(ran.err.startsWith(QStringLiteral("单号无效:取件码6021\n")));
}

void CliTest::arguments_streamsAndExitCodes_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("output");

    // Usage errors, said on stderr with the usage; run on a folder without a book, which a command
    // that opened it would answer with 4.
    const auto usage = [](const char *name, const QStringList &arguments, const QString &said) {
        QTest::newRow(name) << arguments << QByteArray() << 2 << said << QString();
    };
    const QString id = QStringLiteral("--id");
    const QString query = QStringLiteral("query");
    const QString exportTo = QStringLiteral("export");
    const QString badId = QStringLiteral("编号应是一个正整数");
    usage("letters", {query, id, QStringLiteral("abc")}, badId);
    usage("hexadecimal", {query, id, QStringLiteral("0x1")}, badId);
    usage("twenty digits", {query, id, QStringLiteral("12345678901234567890")}, badId);
    usage("zero", {query, id, QStringLiteral("0")}, badId);
    usage("negative", {query, QStringLiteral("--id=-1"), QStringLiteral("--json")}, badId);
    usage("signed", {exportTo, id, QStringLiteral("+1"), QStringLiteral("a.txt")}, badId);
    usage("id twice", {query, id, QStringLiteral("1"), id, QStringLiteral("2")},
          QStringLiteral("选项 --id 只能给一次"));
    usage("json twice", {QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--json")},
          QStringLiteral("选项 --json 只能给一次"));
    usage("number without file", {exportTo, QStringLiteral("3101234567890")},
          QStringLiteral("请给出导出文件"));
    usage("id without file", {exportTo, id, QStringLiteral("1")}, QStringLiteral("请给出导出文件"));
    usage("id without value", {query, id}, QStringLiteral("选项 --id 后缺少编号\n"));
    usage("switch with a value", {QStringLiteral("list"), QStringLiteral("--json=yes")},
          QStringLiteral("选项 --json 后面不能带值\n"));
    usage("unknown option", {QStringLiteral("list"), QStringLiteral("--jsno")},
          QStringLiteral("不认识的选项:--jsno\n"));

    // Failures on stderr alone, so `>/dev/null` keeps them in sight; the JSON keeps them as data.
    QTest::newRow("refused query") << QStringList{query, id, QStringLiteral("1")} << codeAnswer("2") << 1
                                   << QStringLiteral(
                                          "编号 1  3101234567890  圆通速递  衣服\n查询失败(结果码 2)")
                                   << QString();
    QTest::newRow("refused query as JSON")
        << QStringList{query, QStringLiteral("--all"), QStringLiteral("--json")} << codeAnswer("2") << 1
        << QStringLiteral("编号 1  3101234567890  圆通速递  衣服\n查询失败(结果码 2)")
        << QStringLiteral("json");
    QTest::newRow("refused export to stdout")
        << QStringList{exportTo, QStringLiteral("3101234567890"), QStringLiteral("-")} << codeAnswer("2") << 1
        << QStringLiteral("编号 1  3101234567890  圆通速递  衣服\n查询失败(结果码 2)") << QString();
    QTest::newRow("unknown parcel") << QStringList{exportTo, id, QStringLiteral("7"), QStringLiteral("-")}
                                    << answerWith(inTransit()) << 2
                                    << QStringLiteral("快递列表里没有编号为 7 的快递") << QString();
    // "-" is stdout: the file's bytes and nothing else.
    QTest::newRow("export to stdout") << QStringList{exportTo, id, QStringLiteral("1"), QStringLiteral("-")}
                                      << answerWith(inTransit()) << 0 << QString() << QStringLiteral("file");
}

void CliTest::arguments_streamsAndExitCodes() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, answer);
    QFETCH(int, code);
    QFETCH(QString, said);
    QFETCH(QString, output);

    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    if (answer.isEmpty()) {
        QVERIFY(QFile::remove(folder.databasePath()));
    } else {
        m_stub.answer(QStringLiteral("/"), answer);
    }
    const qsizetype sent = m_stub.requests().size();
    const Ran ran = run(folder, arguments);
    QCOMPARE(ran.code, code);
    QVERIFY2(ran.err.startsWith(said), qPrintable(ran.err));
    if (code == 2) {
        QCOMPARE(m_stub.requests().size(), sent);
    }
    if (answer.isEmpty()) {
        QVERIFY2(ran.err.contains(QStringLiteral("用法:")), qPrintable(ran.err));
    }
    if (output.isEmpty()) {
        QCOMPARE(ran.out, QString());
    } else if (output == QStringLiteral("json")) {
        const QJsonObject refused = QJsonDocument::fromJson(ran.outBytes).array().at(0).toObject();
        QCOMPARE(refused[QStringLiteral("succeeded")].toBool(true), false);
        QCOMPARE(refused[QStringLiteral("code")].toString(), QStringLiteral("2"));
    } else {
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("进度.txt"));
        QCOMPARE(
            run(folder, {QStringLiteral("export"), QStringLiteral("--id"), QStringLiteral("1"), file}).code,
            0);
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(ran.outBytes, bytes);
    }
}

namespace {

QByteArray bytesOfFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void CliTest::export_writesOnlyWhereItIsSafe_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("code");
    QTest::newRow("existing file kept") << "file" << false << 2;
    QTest::newRow("existing file with --force") << "file" << true << 0;
    QTest::newRow("pipe") << "fifo" << true << 2;
    QTest::newRow("symbolic link") << "link" << true << 2;
    QTest::newRow("folder") << "folder" << true << 2;
}

void CliTest::export_writesOnlyWhereItIsSafe() {
    QFETCH(QString, kind);
    QFETCH(bool, force);
    QFETCH(int, code);
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    m_stub.answer(QStringLiteral("/"),
                  answerWith({{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("已揽收")}}));
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("进度.txt"));
    const QString linked = out.filePath(QStringLiteral("别处.txt"));
    QFile old(kind == QStringLiteral("link") ? linked : target);
    if (kind == QStringLiteral("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    } else if (kind == QStringLiteral("folder")) {
        QVERIFY(QDir().mkdir(target));
    } else {
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
    }
    if (kind == QStringLiteral("link")) {
        QVERIFY(QFile::link(linked, target));
    }
    QStringList arguments{QStringLiteral("export"), QStringLiteral("--id"), QStringLiteral("1"), target};
    if (force) {
        arguments.append(QStringLiteral("--force"));
    }
    const qsizetype sent = m_stub.requests().size();
    const Ran ran = run(folder, arguments);
    QCOMPARE(ran.code, code);
    struct stat info {};
    QCOMPARE(::lstat(QFile::encodeName(target).constData(), &info), 0);
    if (code == 0) {
        QVERIFY(S_ISREG(info.st_mode));
        QVERIFY(!bytesOfFile(target).contains("old"));
        return;
    }
    QVERIFY2(ran.err.contains(QStringLiteral("没有")), qPrintable(ran.err));
    // Nothing was asked of the service and nothing changed on the disk.
    QCOMPARE(m_stub.requests().size(), sent);
    QCOMPARE(S_ISFIFO(info.st_mode), kind == QStringLiteral("fifo"));
    QCOMPARE(S_ISLNK(info.st_mode), kind == QStringLiteral("link"));
    QCOMPARE(S_ISDIR(info.st_mode), kind == QStringLiteral("folder"));
    if (kind == QStringLiteral("file") || kind == QStringLiteral("link")) {
        QCOMPARE(bytesOfFile(old.fileName()), QByteArray("old"));
    }
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
             kind == QStringLiteral("link") ? 2 : 1);
}

void CliTest::query_mailsNewProgressByTheBooksSettings() {
    // A loopback mail server that keeps every message it is given.
    const QString user = QStringLiteral("notice@baoguo.lanzhou.example");
    const QString password = QStringLiteral("cli-secret");
    QTemporaryDir inbox;
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(PARCELBOOK_SMTP_SERVER), user, password, inbox.path()});
    QVERIFY2(server.waitForStarted(5000), qPrintable(server.errorString()));
    while (!server.canReadLine()) {
        QVERIFY2(server.waitForReadyRead(10000), "the SMTP test server did not report its port");
    }
    const QByteArray port = server.readLine().trimmed();
    QProcessEnvironment mail;
    mail.insert(QStringLiteral("PARCELBOOK_SMTP_URL"),
                QStringLiteral("smtp://127.0.0.1:") + QString::fromLatin1(port));
    mail.insert(QStringLiteral("PARCELBOOK_MAIL_FROM"), user);
    mail.insert(QStringLiteral("PARCELBOOK_SMTP_PASSWORD"), password);
    const auto mails = [&inbox] {
        return QDir(inbox.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size();
    };

    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit()));
    // The mail switch off: the new count is stored, nothing is mailed.
    QCOMPARE(run(folder, {QStringLiteral("query"), QStringLiteral("3101234567890")}, mail).code, 0);
    QCOMPARE(storedCount(folder, QStringLiteral("3101234567890")), QString::number(inTransit().size()));
    QCOMPARE(mails(), 0);

    // The mail switch on: new progress found from a terminal is mailed like the window's, once.
    {
        Database db = folder.open();
        SettingsStore settings(db);
        QVERIFY(must(settings.store(SettingColumn::Mail, storedSwitchText(true))));
        QVERIFY(must(settings.store(SettingColumn::Address, QStringLiteral("me@qq.com"))));
        must(ParcelStore(db).setCount(ParcelId(1), 0));
    }
    Ran ran = run(folder, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("1")}, mail);
    // A mail sent is a note on the output; the error stream stays empty, so cron mails nothing.
    QVERIFY2(ran.out.contains(QStringLiteral("快递有最新进展，已发送至邮箱!")), qPrintable(ran.out));
    QCOMPARE(ran.err, QString());
    QCOMPARE(ran.code, 0);
    QCOMPARE(mails(), 1);
    QFile message(QDir(inbox.path()).filePath(QStringLiteral("1.json")));
    QVERIFY(message.open(QIODevice::ReadOnly));
    const QJsonObject sent = QJsonDocument::fromJson(message.readAll()).object();
    QCOMPARE(sent[QStringLiteral("rcpt_tos")].toArray().at(0).toString(), QStringLiteral("me@qq.com"));
    QVERIFY(sent[QStringLiteral("html")].toString().contains(inTransit().first().second));
    // The window has not shown it yet: its overview marks it unseen.
    {
        Database db = folder.open();
        const std::optional<ProgressRow> row = must(ProgressStore(db).byParcel(ParcelId(1)));
        QVERIFY(row);
        QVERIFY(row->unseen);
        QCOMPARE(row->newest, inTransit().first().second);
    }
    // Nothing new the second time: no second mail, and the window would say "无更新" too.
    QCOMPARE(run(folder, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("1")}, mail).code,
             0);
    QCOMPARE(mails(), 1);
    server.kill();
    server.waitForFinished(5000);

    // A mail that cannot go out is not claimed: said with its reason, and the command fails.
    {
        Database db = folder.open();
        must(ParcelStore(db).setCount(ParcelId(1), 0));
    }
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("1")}, mail);
    QVERIFY2(ran.err.contains(QStringLiteral("最新信息发送失败!错误原因无法连接邮件服务器")),
             qPrintable(ran.err));
    QVERIFY2(!ran.err.contains(QStringLiteral("已发送至邮箱")), qPrintable(ran.err));
    QCOMPARE(ran.code, 1);

    // An address the settings page would refuse is not mailed to, as in the window, and stderr says why.
    {
        Database db = folder.open();
        QVERIFY(must(SettingsStore(db).store(SettingColumn::Address, QStringLiteral("me.qq.com"))));
        must(ParcelStore(db).setCount(ParcelId(1), 0));
    }
    ran = run(folder, {QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("1")}, mail);
    QVERIFY2(ran.err.contains(
                 QStringLiteral("通知邮箱“me.qq.com”不是有效的E-mail地址,邮件未发送(请在设置页改正)")),
             qPrintable(ran.err));
    QCOMPARE(ran.code, 1);
}

void CliTest::watch_summarisesAndSaysEachFailure() {
    // Nothing to ask, in an empty book and then in one whose every parcel is signed for: the pass
    // ends at once and says so.
    TempProgramFolder idle;
    for (const bool signedFor : {false, true}) {
        if (signedFor) {
            idle.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"), QStringLiteral("书"));
            Database db = idle.open();
            ProgressStore::addMissingTables(db);
            must(ProgressStore(db).record(
                ParcelId(1), {QStringLiteral("已签收"), QString(), QString(), {}, false}, false));
        }
        QElapsedTimer took;
        took.start();
        const Ran ran = run(idle, {QStringLiteral("watch")});
        QCOMPARE(ran.code, 0);
        QCOMPARE(ran.out, QStringLiteral("已检查 0 个快递,0 个有新进展,0 个失败\n"));
        QVERIFY2(took.elapsed() < 3000, qPrintable(QString::number(took.elapsed())));
    }

    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("1111111111111"), QStringLiteral("书"));
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit()));
    // Requests go out side by side, so the failing answer is picked by the number asked about.
    const QMetaObject::Connection byNumber =
        connect(&m_stub, &HttpStub::requestArrived, this, [this](const HttpStub::Request &request) {
            if (QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(QStringLiteral("nu")) ==
                QStringLiteral("1111111111111")) {
                m_stub.answerOnce(QStringLiteral("/"), codeAnswer("2"));
            }
        });
    Ran ran = run(folder, {QStringLiteral("watch")});
    disconnect(byNumber);
    QCOMPARE(ran.code, 1);
    QCOMPARE(ran.out, QStringLiteral("已检查 2 个快递,1 个有新进展,1 个失败\n"));
    QCOMPARE(ran.err, QStringLiteral("编号 2  书  验证码错误,可能此快递公司失效,请联系管理员(结果码 2)\n"));
    QCOMPARE(storedCount(folder, QStringLiteral("3101234567890")), QString::number(inTransit().size()));

    ran = run(folder, {QStringLiteral("watch")});
    QCOMPARE(ran.code, 0);
    QCOMPARE(ran.out, QStringLiteral("已检查 2 个快递,1 个有新进展,0 个失败\n"));
    QCOMPARE(ran.err, QString());
    QCOMPARE(run(folder, {QStringLiteral("watch"), QStringLiteral("--all")}).code, 2);
}

void CliTest::start_saysWhyInChinese_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    // An unusable or damaged book ends the command; a backup not written is only told.
    QTest::newRow("garbage book") << "garbage" << 4 << QStringLiteral("文件已损坏");
    QTest::newRow("folder in place of the backup") << "backup" << 2 << QStringLiteral("没能更新备份:");
    QTest::newRow("no room for the backup") << "limit" << 2 << QStringLiteral("没能更新备份:");
    QTest::newRow("damaged book") << "damaged" << 4 << QStringLiteral("已损坏,这次没有备份它");
    QTest::newRow("missing book, its backup there")
        << "missing" << 4 << QStringLiteral("文件不存在;最近一份完好的备份是 ");
    QTest::newRow("key memo is a pipe") << "memo pipe" << 2 << QStringLiteral("是管道,不是普通文件");
    // A services file that is no file is said and set aside at once, whatever the command.
    QTest::newRow("pipe for the services file")
        << "services pipe" << 2 << QStringLiteral("是管道,不是普通文件");
    QTest::newRow("link to a pipe for the services file")
        << "services link" << 2 << QStringLiteral("是符号链接,不是普通文件");
}

void CliTest::start_saysWhyInChinese() {
    QFETCH(QString, fault);
    QFETCH(int, code);
    QFETCH(QString, said);
    TempProgramFolder folder;
    // A parcel the book does not hold: the command opens the book, keeps its copies and ends with 2.
    const QStringList unknownParcel{QStringLiteral("query"), QStringLiteral("--id"), QStringLiteral("9999")};
    QByteArray goodBackup;
    if (fault == QStringLiteral("garbage")) {
        QFile book(folder.databasePath());
        QVERIFY(book.open(QIODevice::WriteOnly | QIODevice::Truncate));
        book.write(QByteArray(8192, 'x'));
    } else if (fault == QStringLiteral("backup")) {
        QVERIFY(QDir().mkdir(folder.backupPath()));
    } else if (fault == QStringLiteral("limit")) {
        // A first start gives the book the tables it lacks; the later one only reads it.
        QCOMPARE(run(folder, unknownParcel).code, 2);
        QVERIFY(QFile::remove(folder.backupPath()));
    } else if (fault == QStringLiteral("damaged") || fault == QStringLiteral("missing")) {
        folder.addManyParcels();
        QCOMPARE(run(folder, unknownParcel).code, 2);
        goodBackup = bytesOfFile(folder.backupPath());
        QVERIFY(!goodBackup.isEmpty());
        QVERIFY(fault == QStringLiteral("damaged") ? folder.damageMiddle()
                                                   : QFile::remove(folder.databasePath()));
    } else if (fault == QStringLiteral("memo pipe")) {
        QCOMPARE(
            ::mkfifo(QFile::encodeName(folder.path() + QStringLiteral("/db/.parcelbook-keys")).constData(),
                     0600),
            0);
    }
    const QByteArray bookBefore = bytesOfFile(folder.databasePath());
    QTemporaryDir config; // holds a pipe, or a link to one, for the services file
    const QString services = config.filePath(QStringLiteral("parcelbook/services.conf"));
    if (fault.startsWith(QStringLiteral("services"))) {
        const QString pipe =
            fault.endsWith(QStringLiteral("link")) ? config.filePath(QStringLiteral("p")) : services;
        QVERIFY(QDir().mkdir(QFileInfo(services).path()) &&
                ::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        QVERIFY(pipe == services || QFile::link(pipe, services));
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PARCELBOOK_PROGRAM_DIR"), folder.path());
    environment.insert(QStringLiteral("PARCELBOOK_TRACKING_URL"), m_stub.baseUrl());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    process.setProcessEnvironment(environment);
    if (fault == QStringLiteral("limit")) {
        // The disk takes no file larger than half the book, as a nearly full one would.
        const rlim_t room = rlim_t(QFileInfo(folder.databasePath()).size() / 2);
        process.setChildProcessModifier([room] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{room, room};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    QElapsedTimer running;
    running.start();
    process.start(QStringLiteral(PARCELBOOK_CLI), unknownParcel);
    QVERIFY(process.waitForFinished(60000));
    if (fault == QStringLiteral("memo pipe")) {
        QVERIFY2(running.elapsed() < 2000, qPrintable(QString::number(running.elapsed())));
    }
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), code);
    QVERIFY2(err.contains(said), qPrintable(err));
    if (code == 4) {
        // Not one byte of the book written.
        QCOMPARE(bytesOfFile(folder.databasePath()), bookBefore);
    }
    if (code == 4 && fault != QStringLiteral("damaged")) {
        // The cause alone, in Chinese; the engine's words are only in the log lines before it.
        QVERIFY2(err.contains(QStringLiteral("无法打开快递列表 %1:%2").arg(folder.databasePath(), said) +
                              (fault == QStringLiteral("garbage") ? QStringLiteral("\n") : QString())),
                 qPrintable(err));
    } else if (code != 4) {
        QVERIFY2(err.contains(QStringLiteral("快递列表里没有编号为 9999 的快递")), qPrintable(err));
    }
    if (!goodBackup.isEmpty()) {
        // The good copy is named with the way back, and stays as it was.
        QVERIFY2(err.contains(QStringLiteral("最近一份完好的备份是 ")), qPrintable(err));
        QCOMPARE(bytesOfFile(folder.backupPath()), goodBackup);
    }
}

void CliTest::terminal_showsControlsInsteadOfObeyingThem() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), controls);
    m_stub.answer(QStringLiteral("/"), answerWith({{QStringLiteral("2026-12-08 08:00:00"),
                                                    QStringLiteral(R"(\u001b]0;x\u0007\u001b[2J\u001b[31m\r)"
                                                                   R"(\u009b\u202e\u2028\n)")}}));
    // On a terminal the progress line clears itself with the program's own controls, and no others pass.
    Ran ran =
        run(folder,
            {QStringLiteral("-qec"), QStringLiteral("'%1' query --all").arg(QStringLiteral(PARCELBOOK_CLI)),
             QStringLiteral("/dev/null")},
            {}, QStringLiteral("script"));
    QString screen = ran.out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QVERIFY2(screen.contains(QStringLiteral("\r\x1b[K查询 1/1 \\x1b]0;x\\x07")) &&
                 screen.contains(QStringLiteral("2026-12-08 08:00:00  ") + controlsShown + u'\n'),
             qPrintable(screen));
    QVERIFY2(!screen.remove(QStringLiteral("\r\x1b[K")).contains(obeyedByTerminals), qPrintable(screen));
}

void CliTest::add_storesQueriesAndSaysWhatItSkipped() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    m_stub.answer(QStringLiteral("/"), answerWith(inTransit()));
    QProcessEnvironment recognition;
    recognition.insert(QStringLiteral("PARCELBOOK_RECOGNITION_URL"),
                       m_stub.baseUrl() + QStringLiteral("/rec"));
    const QString rec = QStringLiteral("/rec/autonumber/auto");
    const QMetaObject::Connection byNumber =
        connect(&m_stub, &HttpStub::requestArrived, this, [&rec, this](const HttpStub::Request &request) {
            if (request.path == rec) {
                m_stub.answerOnce(rec, request.query.startsWith("num=SF")    ? R"([{"comCode":"shunfeng"}])"
                                       : request.query.startsWith("num=753") ? R"([{"comCode":"zhongtong"}])"
                                                                             : R"({"message":"无法识别"})");
            }
        });

    // One number, its company named in part: stored, then queried and printed as `query` prints it.
    Ran ran = run(folder,
                  {QStringLiteral("add"), QStringLiteral("jd-0123456789012"), QStringLiteral("--company"),
                   QStringLiteral("京东"), QStringLiteral("--goods"), QStringLiteral("耳机")},
                  recognition);
    QCOMPARE(ran.code, 0);
    QVERIFY2(ran.out.startsWith(QStringLiteral("编号 2  JD0123456789012  京东快递  耳机\n状态:")),
             qPrintable(ran.out));
    QCOMPARE(storedCount(folder, QStringLiteral("JD0123456789012")), QString::number(inTransit().size()));

    // An order mail on standard input: two numbers (one with letters) with a date and an amount are
    // added; the mobile number and the number already in the book are said, the unrecognised one skipped.
    const QString mail =
        QStringLiteral("您的订单已分包裹发出：\n包裹1 sf1402345678901\n包裹2 75312345678901\n"
                       "包裹3 9912345678901\n收货人手机 13812345678\n上次的 3101234567890\n"
                       "付款时间：2026-12-08 09:30:15\n实付 ¥128.00\n");
    ran = run(
        folder,
        {QStringLiteral("add"), QStringLiteral("--from-text"), QStringLiteral("-"), QStringLiteral("--json")},
        recognition, QStringLiteral(PARCELBOOK_CLI), mail.toUtf8());
    disconnect(byNumber);
    QCOMPARE(ran.code, 1);
    QStringList added;
    QStringList notAdded;
    for (const QJsonValue &entry : QJsonDocument::fromJson(ran.outBytes).array()) {
        const QJsonObject object = entry.toObject();
        (object[QStringLiteral("added")].toBool() ? added : notAdded)
            .append(object[QStringLiteral("number")].toString() + QLatin1Char(' ') +
                    object[QStringLiteral("company")].toString());
    }
    QCOMPARE(added, QStringList({QStringLiteral("SF1402345678901 顺丰快递"),
                                 QStringLiteral("75312345678901 中通快递")}));
    QCOMPARE(notAdded, QStringList({QStringLiteral("9912345678901 "), QStringLiteral("13812345678 "),
                                    QStringLiteral("3101234567890 圆通速递")}));
    for (const char16_t *said :
         {u"单号 9912345678901 识别不出快递公司(识别服务没有给出快递公司),已跳过",
          u"13812345678 像是手机号,没有添加", u"单号 3101234567890 已在快递列表中(编号 1)"}) {
        QVERIFY2(ran.err.contains(QStringView(said)), qPrintable(ran.err));
    }
    Database db = folder.open();
    QCOMPARE(must(ParcelStore(db).all()).size(), 4);
    QCOMPARE(storedCount(folder, QStringLiteral("SF1402345678901")), QString::number(inTransit().size()));

    // Files are read as export writes them: a regular one only; a text without numbers adds nothing.
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("订单.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ran = run(folder, {QStringLiteral("add"), QStringLiteral("--from-text"), pipe}, recognition);
    QCOMPARE(ran.code, 2);
    QVERIFY2(ran.err.contains(QStringLiteral("是管道,不是普通文件")), qPrintable(ran.err));
    ran =
        run(folder, {QStringLiteral("add"), QStringLiteral("--from-text"), QStringLiteral("-")}, recognition,
            QStringLiteral(PARCELBOOK_CLI), QByteArray("下单时间 2026-12-08 10:21 实付 ¥128.00"));
    QCOMPARE(ran.code, 1);
    QCOMPARE(ran.err, QStringLiteral("文本中没有找到快递单号\n"));
    ran = run(folder,
              {QStringLiteral("add"), QStringLiteral("9912345678902"), QStringLiteral("--company"),
               QStringLiteral("快递")},
              recognition);
    QCOMPARE(ran.code, 2);
    QVERIFY2(ran.err.startsWith(QStringLiteral("不认识的快递公司:快递")), qPrintable(ran.err));
    QCOMPARE(must(ParcelStore(db).all()).size(), 4);

    // A service that cannot be reached: what was typed is kept, and the command says it was not asked.
    QProcessEnvironment unreachable;
    unreachable.insert(QStringLiteral("PARCELBOOK_TRACKING_URL"), QStringLiteral("http://127.0.0.1:9"));
    ran = run(folder,
              {QStringLiteral("add"), QStringLiteral("SF1999999999999"), QStringLiteral("--company"),
               QStringLiteral("顺丰"), QStringLiteral("--goods"), QStringLiteral("台灯")},
              unreachable);
    QCOMPARE(ran.code, 1);
    QVERIFY2(ran.err.contains(QStringLiteral("已添加,但还没能查询它")), qPrintable(ran.err));
    QCOMPARE(storedCount(folder, QStringLiteral("SF1999999999999")), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
