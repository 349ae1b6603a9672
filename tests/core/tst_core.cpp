// The tracking number rule and the numbers found in a pasted text, the export's proposed file, the
// fixed-width GBK list export, the web Date header reader, the Chinese reasons for library failures, and text
// made safe and short for a terminal.
#include "net/WebTime.h"
#include "platform/TransferFailure.h"
#include "store/StoreError.h"
#include "text/ExportText.h"
#include "text/FailureReason.h"
#include "text/TerminalText.h"
#include "text/TrackingNumber.h"
#include "text/TrackingNumbersInText.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <cerrno>

namespace {

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class CoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trackingNumber_data();
    void trackingNumber();
    void numbersInText_data();
    void numbersInText();
    void exportProposal_documentsElseHome();
    void fixedLength_data();
    void fixedLength();
    void export_linesAreFixedWidthGbkWithCrLf();
    void export_keepsLongCellsAndCharactersOutsideGbk();
    void export_replacesAnExistingFile();
    void export_noRowsCreatesNothing();
    void export_failuresLeaveTheTargetAlone();
    void readDateHeader_data();
    void readDateHeader();
    void failureReason_data();
    void failureReason();
    void terminalText_data();
    void terminalText();
    void tableCell_readsStoredBytes_data();
    void tableCell_readsStoredBytes();
};

void CoreTest::trackingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("number");
    const QString sf = QStringLiteral("SF1402345678901");
    QTest::newRow("courier prefix") << sf << sf;
    QTest::newRow("three-letter prefix")
        << QStringLiteral("JDX012345678901") << QStringLiteral("JDX012345678901");
    QTest::newRow("digits unchanged") << QStringLiteral("3101234567890") << QStringLiteral("3101234567890");
    QTest::newRow("40 digits") << QString(40, QLatin1Char('9')) << QString(40, QLatin1Char('9'));
    QTest::newRow("lower case") << QStringLiteral("sf1402345678901") << sf;
    QTest::newRow("spaces") << QStringLiteral("  SF 1402 3456 78901\t") << sf;
    QTest::newRow("dashes") << QStringLiteral("sf-1402-345678901") << sf;
    QTest::newRow("short while typing") << QStringLiteral("SF14") << QStringLiteral("SF14");
    QTest::newRow("one letter") << QStringLiteral("s") << QStringLiteral("S");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("blanks and dashes only") << QStringLiteral(" - ") << QString();
    QTest::newRow("sms") << QStringLiteral("【顺丰】您的快件SF1402345678901已到达，取件码 6021，请凭码取件")
                         << sf;
    QTest::newRow("sms with dashed number")
        << QStringLiteral("运单号：7700-1122-33445。") << QStringLiteral("7700112233445");
    QTest::newRow("longest run wins")
        << QStringLiteral("订单 20261208 运单 YT1234567890123") << QStringLiteral("YT1234567890123");
    QTest::newRow("first of equal runs")
        << QStringLiteral("A1234567，B1234567") << QStringLiteral("A1234567");
    QTest::newRow("sms pasted with line breaks") << QStringLiteral("SF1402345678901\r\n") << sf;
    QTest::newRow("word with a short run") << QStringLiteral("取件码 6021") << QString();
    QTest::newRow("short number and punctuation") << QStringLiteral("SF14!") << QString();
    QTest::newRow("chinese only") << QStringLiteral("一二三") << QString();
    QTest::newRow("decimal point") << QStringLiteral("5.5") << QString();
    QTest::newRow("full-width") << QStringLiteral("ｓｆ１４０２－３４５６７８９０１") << sf;
    QTest::newRow("ideographic space") << QStringLiteral("SF1402\u3000345678901") << sf;
    QTest::newRow("other scripts' digits") << QStringLiteral("\u0661\u0662") << QString();
}

void CoreTest::trackingNumber() {
    QFETCH(QString, text);
    QFETCH(QString, number);
    QCOMPARE(normalizedTrackingNumber(text), number);
}

void CoreTest::numbersInText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("numbers");
    // Of those, the ones listed as a mobile number.
    QTest::addColumn<QStringList>("mobiles");
    const QString sf = QStringLiteral("SF1402345678901");
    QTest::newRow("shop mail") << QStringLiteral("亲爱的用户，您的订单已发货！\n订单号：3698512345678901234\n"
                                                 "下单时间 2026-12-08 10:21\n实付 ¥128.00\n"
                                                 "运单号：YT7501234567890（圆通速递）\n")
                               << QStringList{QStringLiteral("YT7501234567890")} << QStringList();
    QTest::newRow("two parcels, a date and an amount")
        << QStringLiteral(
               "您购买的商品已分两个包裹发出:\n包裹1 顺丰 sf1402345678901\n包裹2 中通 75312345678901\n"
               "付款时间：2026-12-08 09:30:15\n合计:12.50元")
        << QStringList{sf, QStringLiteral("75312345678901")} << QStringList();
    QTest::newRow("order number glued to its label")
        << QStringLiteral(
               "【京东】您的订单285612345678已由京东快递发出,运单号JDVA00012345678,预计12月10日送达。")
        << QStringList{QStringLiteral("JDVA00012345678")} << QStringList();
    QTest::newRow("receiver's mobile")
        << QStringLiteral("收货人:张先生 13812345678\n韵达快递 4312345678901\n手机：15912345678")
        << QStringList{QStringLiteral("13812345678"), QStringLiteral("4312345678901"),
                       QStringLiteral("15912345678")}
        << QStringList{QStringLiteral("13812345678"), QStringLiteral("15912345678")};
    QTest::newRow("pickup code, tail and hotline")
        << QStringLiteral("【驿站】凭取件码 8-2-1234 到幸福里小区驿站取件,运单尾号7890,客服电话 400-820-8820")
        << QStringList() << QStringList();
    QTest::newRow("each once, full-width and lower case")
        << QStringLiteral("单号:ｓｆ１４０２３４５６７８９０１ 再次提醒 sf-1402-345678901") << QStringList{sf}
        << QStringList();
    QTest::newRow("web and mail addresses")
        << QStringLiteral("订单详情 https://shop.example.com/order/detail.htm?id=3698512345678 "
                          "客服邮箱 kefu20261208@shop.example")
        << QStringList() << QStringList();
    QTest::newRow("short number after its label")
        << QStringLiteral("德邦物流单号:87654321,另有编号 123456789")
        << QStringList{QStringLiteral("87654321")} << QStringList();
    QTest::newRow("landline and a time in digits")
        << QStringLiteral("店铺电话 0571-88886666 发货时间 20261208102130 运单号 773012345678901")
        << QStringList{QStringLiteral("773012345678901")} << QStringList();
    QTest::newRow("grouped service line without a label")
        << QStringLiteral("有问题请拨 400-820-8820 或 0571-88886666") << QStringList() << QStringList();
    QTest::newRow("large refund") << QStringLiteral("退款金额 ¥ 1234567890.00 已原路退回,另付 9876543210 元")
                                  << QStringList() << QStringList();
    QTest::newRow("postal item") << QStringLiteral("EMS:EA123456789CN")
                                 << QStringList{QStringLiteral("EA123456789CN")} << QStringList();
    QTest::newRow("order numbers with letters and dashes")
        << QStringLiteral("交易单号 T200P3698512345678901\n订单编号:231208-123456789012345") << QStringList()
        << QStringList();
    QTest::newRow("words, and a mobile with its country code")
        << QStringLiteral("Thank you for your order ABCDEFGHIJKL, call +8613812345678") << QStringList()
        << QStringList();
    QTest::newRow("list of numbers") << QStringLiteral("3101234567890\r\n3101234567891\r\n\r\n")
                                     << QStringList{QStringLiteral("3101234567890"),
                                                    QStringLiteral("3101234567891")}
                                     << QStringList();
    QTest::newRow("empty") << QString() << QStringList() << QStringList();
}

void CoreTest::numbersInText() {
    QFETCH(QString, text);
    QFETCH(QStringList, numbers);
    QFETCH(QStringList, mobiles);
    QStringList found;
    QStringList foundMobiles;
    for (const FoundNumber &number : trackingNumbersInText(text)) {
        found.append(number.number);
        if (number.mobileLike) {
            foundMobiles.append(number.number);
        }
    }
    QCOMPARE(found, numbers);
    QCOMPARE(foundMobiles, mobiles);
}

void CoreTest::exportProposal_documentsElseHome() {
    QTemporaryDir home;
    const QString documents = home.filePath(QStringLiteral("Documents"));
    QCOMPARE(proposedExportFile(documents, home.path(), QStringLiteral("SF1402345678901")),
             home.filePath(QStringLiteral("物流进度-SF1402345678901.txt")));
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Documents")));
    QCOMPARE(proposedExportFile(documents, home.path(), QStringLiteral(" 3101234567890")),
             documents + QStringLiteral("/物流进度-3101234567890.txt"));
    // An old stored number with a slash names no folder.
    QCOMPARE(proposedExportFile(documents, home.path(), QStringLiteral("12/34")),
             documents + QStringLiteral("/物流进度.txt"));
}

void CoreTest::fixedLength_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("fixed");
    QTest::newRow("short ascii") << QStringLiteral("12") << 8 << QStringLiteral("12      ");
    QTest::newRow("trimmed first") << QStringLiteral("  12  ") << 8 << QStringLiteral("12      ");
    QTest::newRow("tabs are kept") << QStringLiteral("\t12") << 8 << QStringLiteral("\t12     ");
    QTest::newRow("three Chinese") << QStringLiteral("已签收") << 8 << QStringLiteral("已签收  ");
    QTest::newRow("mixed") << QStringLiteral("中a") << 8 << QStringLiteral("中a     ");
    QTest::newRow("four-byte character") << QStringLiteral("😀") << 8 << QStringLiteral("😀    ");
    QTest::newRow("exactly wide") << QStringLiteral("12345678") << 8 << QStringLiteral("12345678");
    QTest::newRow("four Chinese") << QStringLiteral("快递单号") << 8 << QStringLiteral("快递单号");
    QTest::newRow("wider, never cut") << QStringLiteral(" 123456789 ") << 8 << QStringLiteral("123456789");
    QTest::newRow("Chinese over width")
        << QStringLiteral("中通快递公司") << 8 << QStringLiteral("中通快递公司");
    QTest::newRow("empty") << QString() << 8 << QString();
    QTest::newRow("spaces only") << QStringLiteral("   ") << 8 << QString();
    QTest::newRow("zero width") << QStringLiteral(" ab ") << 0 << QStringLiteral("ab");
    QTest::newRow("negative width") << QStringLiteral("ab") << -3 << QStringLiteral("ab");
    QTest::newRow("width one byte short") << QStringLiteral("中文") << 5 << QStringLiteral("中文 ");
}

void CoreTest::fixedLength() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, fixed);
    QCOMPARE(SetStringFixedLength(text, width), fixed);
}

void CoreTest::export_linesAreFixedWidthGbkWithCrLf() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("清单.txt"));
    const QList<QStringList> rows = {
        {QStringLiteral("12"), QStringLiteral("衣服"), QStringLiteral("已签收")},
        {QStringLiteral("中通快"), QStringLiteral("b")},
        {QStringLiteral("123456789"), QStringLiteral("c")},
        {QString(), QStringLiteral("d")},
        {QStringLiteral(" 7 ")},
    };
    const Outcome<Exported> result = ExportListViewContent(rows, path);
    QVERIFY(result && *result == Exported::Written);

    // 衣服 = D2 C2 B7 FE, 已签收 = D2 D1 C7 A9 CA D5, 中通快 = D6 D0 CD A8 BF EC in GBK.
    const QByteArray expected = QByteArray("12      ") + "   " + "\xD2\xC2\xB7\xFE" + "   " +
                                "\xD2\xD1\xC7\xA9\xCA\xD5" + "\r\n" + "\xD6\xD0\xCD\xA8\xBF\xEC  " + "   " +
                                "b\r\n" + "123456789   c\r\n" + "   d\r\n" + "7       \r\n";
    QCOMPARE(readAll(path), expected);
}

void CoreTest::export_keepsLongCellsAndCharactersOutsideGbk() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("long.txt"));
    const QString longProgress = QString(1000, QChar(u'中')) + QString(1000, QLatin1Char('x')) +
                                 QString(999, QChar(u'收')) + QStringLiteral("尾");
    QCOMPARE(longProgress.size(), 3000);
    const QList<QStringList> rows = {{QStringLiteral("1"), longProgress},
                                     {QStringLiteral("😀"), QStringLiteral("笑😀脸")}};
    QVERIFY(ExportListViewContent(rows, path));

    const QByteArray bytes = readAll(path);
    const QByteArray firstLine = QByteArray("1       ") + "   " + QByteArray("\xD6\xD0").repeated(1000) +
                                 QByteArray(1000, 'x') + QByteArray("\xCA\xD5").repeated(999) + "\xCE\xB2" +
                                 "\r\n";
    // 😀 is 94 39 FC 36 in GB18030; 笑 = D0 A6, 脸 = C1 B3.
    const QByteArray secondLine = QByteArray("\x94\x39\xFC\x36") + "    " + "   " + "\xD0\xA6" +
                                  "\x94\x39\xFC\x36" + "\xC1\xB3" + "\r\n";
    QCOMPARE(bytes.size(), firstLine.size() + secondLine.size());
    QCOMPARE(bytes.left(firstLine.size()), firstLine);
    QCOMPARE(bytes.mid(firstLine.size()), secondLine);
}

void CoreTest::export_replacesAnExistingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("old.txt"));
    QVERIFY(writeFile(path, QByteArray(5000, 'o')));
    QVERIFY(ExportListViewContent({{QStringLiteral("9")}}, path));
    QCOMPARE(readAll(path), QByteArray("9       \r\n"));
    // Nothing besides the file is left in the folder (no temporary copies).
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.txt")});
}

void CoreTest::export_noRowsCreatesNothing() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("none.txt"));
    const Outcome<Exported> result = ExportListViewContent({}, path);
    QVERIFY(result && *result == Exported::NoRows);
    QVERIFY(!QFile::exists(path));

    const QString existing = dir.filePath(QStringLiteral("existing.txt"));
    QVERIFY(writeFile(existing, "keep"));
    QVERIFY(*ExportListViewContent({}, existing) == Exported::NoRows);
    QCOMPARE(readAll(existing), QByteArray("keep"));
}

void CoreTest::export_failuresLeaveTheTargetAlone() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QList<QStringList> rows = {{QStringLiteral("1"), QStringLiteral("中")}};

    const QString inMissingFolder = dir.filePath(QStringLiteral("没有/x.txt"));
    Outcome<Exported> result = ExportListViewContent(rows, inMissingFolder);
    QVERIFY(!result);
    QVERIFY2(result.failure().reason.endsWith(QStringLiteral(":文件夹不存在")),
             qPrintable(result.failure().reason));
    QVERIFY(!QFile::exists(inMissingFolder));

    // A regular file in place of the folder: no user, root included, can write below it.
    const QString plainFile = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeFile(plainFile, "plain"));
    result = ExportListViewContent(rows, plainFile + QStringLiteral("/x.txt"));
    QVERIFY(!result);
    QVERIFY2(result.failure().reason.endsWith(QStringLiteral(":路径中有一项不是文件夹")),
             qPrintable(result.failure().reason));
    QCOMPARE(readAll(plainFile), QByteArray("plain"));

    // A name of 250 bytes exists, but the temporary name beside it would pass the 255-byte limit,
    // so the write fails late; the file that was there must keep its content.
    const QString longName = dir.filePath(QString(250, QLatin1Char('n')));
    QVERIFY(writeFile(longName, "before"));
    result = ExportListViewContent(rows, longName);
    QVERIFY(!result);
    // Whatever the library said, the reason after the name is in Chinese.
    QVERIFY2(!result.failure()
                  .reason.section(QStringLiteral("”:"), 1)
                  .contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
             qPrintable(result.failure().reason));
    QCOMPARE(readAll(longName), QByteArray("before"));
}

void CoreTest::readDateHeader_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    const QDate none;
    const QTime noTime;
    QTest::newRow("morning") << QStringLiteral("Mon, 07 Dec 2026 03:25:00 GMT") << QDate(2026, 12, 7)
                             << QTime(11, 25, 0);
    QTest::newRow("across midnight") << QStringLiteral("Mon, 07 Dec 2026 20:30:00 GMT") << QDate(2026, 12, 8)
                                     << QTime(4, 30, 0);
    QTest::newRow("exactly 16:00") << QStringLiteral("Mon, 07 Dec 2026 16:00:00 GMT") << QDate(2026, 12, 8)
                                   << QTime(0, 0, 0);
    QTest::newRow("month end") << QStringLiteral("Sat, 30 Apr 2022 19:59:59 GMT") << QDate(2022, 5, 1)
                               << QTime(3, 59, 59);
    QTest::newRow("year end") << QStringLiteral("Thu, 31 Dec 2026 23:00:00 GMT") << QDate(2027, 1, 1)
                              << QTime(7, 0, 0);
    QTest::newRow("leap day") << QStringLiteral("Wed, 28 Feb 2024 20:00:00 GMT") << QDate(2024, 2, 29)
                              << QTime(4, 0, 0);
    QTest::newRow("single-digit day")
        << QStringLiteral("Tue, 1 Sep 2026 00:00:01 GMT") << QDate(2026, 9, 1) << QTime(8, 0, 1);
    QTest::newRow("lower-case names")
        << QStringLiteral("mon, 07 dec 2026 03:25:00 gmt") << QDate(2026, 12, 7) << QTime(11, 25, 0);
    QTest::newRow("surrounding spaces")
        << QStringLiteral("  Mon, 07 Dec 2026 03:25:00 GMT ") << QDate(2026, 12, 7) << QTime(11, 25, 0);
    QTest::newRow("old two-digit year")
        << QStringLiteral("Sunday, 06-Nov-94 08:49:37 GMT") << QDate(1994, 11, 6) << QTime(16, 49, 37);
    QTest::newRow("recent two-digit year")
        << QStringLiteral("Thursday, 31-Dec-26 23:00:00 GMT") << QDate(2027, 1, 1) << QTime(7, 0, 0);
    QTest::newRow("asctime") << QStringLiteral("Sun Nov  6 08:49:37 1994") << QDate(1994, 11, 6)
                             << QTime(16, 49, 37);
    QTest::newRow("asctime across midnight")
        << QStringLiteral("Mon Dec  7 20:30:00 2026") << QDate(2026, 12, 8) << QTime(4, 30, 0);

    QTest::newRow("empty") << QString() << none << noTime;
    QTest::newRow("garbage") << QStringLiteral("not a date at all") << none << noTime;
    QTest::newRow("missing GMT") << QStringLiteral("Mon, 07 Dec 2026 03:25:00") << none << noTime;
    QTest::newRow("other zone") << QStringLiteral("Mon, 07 Dec 2026 03:25:00 +0800") << none << noTime;
    QTest::newRow("extra word") << QStringLiteral("Mon, 07 Dec 2026 03:25:00 GMT x") << none << noTime;
    QTest::newRow("no comma") << QStringLiteral("Mon 07 Dec 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("unknown weekday") << QStringLiteral("Xyz, 07 Dec 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("unknown month") << QStringLiteral("Mon, 07 Dcm 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("Chinese month") << QStringLiteral("Mon, 07 十二月 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("day 32") << QStringLiteral("Mon, 32 Dec 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("30 February") << QStringLiteral("Mon, 30 Feb 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("hour 24") << QStringLiteral("Mon, 07 Dec 2026 24:00:00 GMT") << none << noTime;
    QTest::newRow("minute 60") << QStringLiteral("Mon, 07 Dec 2026 03:60:00 GMT") << none << noTime;
    QTest::newRow("no seconds") << QStringLiteral("Mon, 07 Dec 2026 03:25 GMT") << none << noTime;
    QTest::newRow("two-digit year, new form")
        << QStringLiteral("Mon, 07 Dec 26 03:25:00 GMT") << none << noTime;
    QTest::newRow("three-digit day") << QStringLiteral("Mon, 007 Dec 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("signed day") << QStringLiteral("Mon, +7 Dec 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("full-width digits") << QStringLiteral("Mon, ０７ Dec 2026 03:25:00 GMT") << none << noTime;
    QTest::newRow("old form missing part") << QStringLiteral("Sunday, 06-Nov 08:49:37 GMT") << none << noTime;
    QTest::newRow("asctime with GMT weekday")
        << QStringLiteral("Sun, Nov  6 08:49:37 1994") << none << noTime;
}

void CoreTest::readDateHeader() {
    QFETCH(QString, header);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    const std::optional<QDateTime> read = ::readDateHeader(header);
    QCOMPARE(read.has_value(), date.isValid());
    if (read) {
        QCOMPARE(read->timeSpec(), Qt::OffsetFromUTC);
        QCOMPARE(read->offsetFromUtc(), 8 * 3600);
        QCOMPARE(read->date(), date);
        QCOMPARE(read->time(), time);
    }
}

// One row per failure a library reports: its kind, its code or name, the English it came with (which
// must go to the log) and the reason the user reads; a database failure also carries its errno in name.
enum class FailureKind { Transfer, SystemRead, SystemWrite, QtFileWrite, Store };
Q_DECLARE_METATYPE(FailureKind)

void CoreTest::failureReason_data() {
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("reason");
    const auto transfer = [](const char *row, QNetworkReply::NetworkError error, const char *reason) {
        QTest::newRow(row) << FailureKind::Transfer << int(error) << QString() << QStringLiteral("Qt said so")
                           << QString::fromUtf8(reason);
    };
    transfer("refused", QNetworkReply::ConnectionRefusedError, "无法连接服务器");
    transfer("no such host", QNetworkReply::HostNotFoundError, "无法连接服务器");
    transfer("timeout", QNetworkReply::TimeoutError, "连接超时");
    transfer("closed", QNetworkReply::RemoteHostClosedError, "服务器断开了连接");
    transfer("forbidden", QNetworkReply::ContentAccessDenied, "服务器拒绝");
    transfer("server error", QNetworkReply::InternalServerError, "服务器出错");
    transfer("bad protocol", QNetworkReply::ProtocolFailure, "服务器的回答无法识别");
    // An address is logged (as the name says) without the account and its keys, spaces in a key too.
    QTest::newRow("keys") << FailureKind::Transfer << int(QNetworkReply::ProtocolFailure)
                          << QStringLiteral("http://h/ - x")
                          << QStringLiteral("http://me:pw@h/?id=2&key=3f 1e#s - x")
                          << QStringLiteral("服务器的回答无法识别");
    const auto system = [](const char *row, FailureKind kind, int error, const char *reason) {
        QTest::newRow(row) << kind << error << QString() << qt_error_string(error)
                           << QString::fromUtf8(reason);
    };
    system("disk full", FailureKind::SystemWrite, ENOSPC, "磁盘已满");
    system("access", FailureKind::SystemWrite, EACCES, "没有权限");
    system("not permitted", FailureKind::SystemRead, EPERM, "没有权限");
    system("missing file", FailureKind::SystemRead, ENOENT, "文件不存在");
    system("missing folder", FailureKind::SystemWrite, ENOENT, "文件夹不存在");
    system("not a folder", FailureKind::SystemRead, ENOTDIR, "路径中有一项不是文件夹");
    system("a folder", FailureKind::SystemRead, EISDIR, "这是一个文件夹，不是文件");
    system("read-only", FailureKind::SystemWrite, EROFS, "磁盘只读");
    system("exists", FailureKind::SystemWrite, EEXIST, "文件已存在");
    system("other errno", FailureKind::SystemWrite, EXDEV, "文件写入失败");
    // Qt's words for the errno tell the cause; words it chose itself leave the kind of failure.
    QTest::newRow("qt disk full") << FailureKind::QtFileWrite << int(QFileDevice::WriteError) << QString()
                                  << qt_error_string(ENOSPC) << QStringLiteral("磁盘已满");
    QTest::newRow("qt open denied") << FailureKind::QtFileWrite << int(QFileDevice::OpenError) << QString()
                                    << qt_error_string(EACCES) << QStringLiteral("没有权限");
    QTest::newRow("qt resource") << FailureKind::QtFileWrite << int(QFileDevice::ResourceError) << QString()
                                 << QStringLiteral("Out of resources")
                                 << QStringLiteral("磁盘已满或系统资源不足");
    QTest::newRow("qt own words") << FailureKind::QtFileWrite << int(QFileDevice::OpenError) << QString()
                                  << QStringLiteral("file to open is a directory")
                                  << QStringLiteral("文件无法打开");
    const auto store = [](const char *row, int result, int error, const char *detail, const char *reason) {
        QTest::newRow(row) << FailureKind::Store << result << QString::number(error)
                           << QString::fromLatin1(detail) << QString::fromUtf8(reason);
    };
    store("db full", SQLITE_FULL, 0, "database or disk is full", "磁盘已满");
    store("db write on a full disk", SQLITE_IOERR_WRITE, ENOSPC, "disk I/O error", "磁盘已满");
    store("db malformed", SQLITE_CORRUPT, 0, "database disk image is malformed", "文件已损坏");
    store("db garbage", SQLITE_NOTADB, 0, "file is not a database", "文件已损坏");
    store("db a folder", SQLITE_CANTOPEN, EISDIR, "unable to open database file", "这是一个文件夹，不是文件");
    store("db cannot open", SQLITE_CANTOPEN, 0, "unable to open database file", "文件无法打开");
    store("db read-only", SQLITE_READONLY, 0, "attempt to write a readonly database", "没有权限");
    store("db busy", SQLITE_BUSY, 0, "database is locked", "快递列表正被其他程序使用");
    store("db read error", SQLITE_IOERR_READ, 0, "disk I/O error", "磁盘读写出错");
    store("db other", SQLITE_ERROR, 0, "no such table: list", "数据库出错");
}

void CoreTest::failureReason() {
    QFETCH(FailureKind, kind);
    QFETCH(int, code);
    QFETCH(QString, name);
    QFETCH(QString, detail);
    QFETCH(QString, reason);
    // The library's own words reach stderr; the test fails if they do not.
    const QString logged = kind == FailureKind::Transfer && !name.isEmpty() ? name : detail;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(logged) + u'$'));
    switch (kind) {
    case FailureKind::Transfer:
        QCOMPARE(transferFailureReason(QNetworkReply::NetworkError(code), detail), reason);
        break;
    case FailureKind::SystemRead:
        QCOMPARE(fileFailureReason(code, FileAccess::Read, detail), reason);
        break;
    case FailureKind::SystemWrite:
        QCOMPARE(fileFailureReason(code, FileAccess::Write, detail), reason);
        break;
    case FailureKind::QtFileWrite:
        QCOMPARE(fileFailureReason(QFileDevice::FileError(code), detail, FileAccess::Write), reason);
        break;
    case FailureKind::Store:
        QCOMPARE(storeFailureReason(code, name.toInt(), detail), reason);
        break;
    }
}

void CoreTest::terminalText_data() {
    // What a terminal is given of a text, and the same in a cell of 10 columns (a Chinese character or
    // an emoji takes two, a combining mark none).
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("inCell");
    const auto c = [](char16_t u) {
        return QString(QChar(u));
    };
    const QString kept = c(0x7e) + c(0xa0) + c(0x2027) + c(0x202f) + c(0x206a) + QStringLiteral("C:\\x1b");
    QTest::newRow("progress") << QStringLiteral("【杭州市】到达📦") << QStringLiteral("【杭州市】到达📦")
                              << QStringLiteral("【杭州市…");
    QTest::newRow("fits") << QStringLiteral("ab📦📦📦e\u0301") << QStringLiteral("ab📦📦📦e\u0301")
                          << QStringLiteral("ab📦📦📦e\u0301");
    QTest::newRow("title") << QStringLiteral("\x1b]0;x\x07") << QStringLiteral("\\x1b]0;x\\x07")
                           << QStringLiteral("\\x1b]0;x\\…");
    QTest::newRow("lines") << QStringLiteral("a\rb\n\t") << QStringLiteral("a\\x0db\\x0a\\x09")
                           << QStringLiteral("a\\x0db\\x0…");
    QTest::newRow("nul DEL C1") << c(0) + c(0x7f) + c(0x9b) << QStringLiteral("\\x00\\x7f\\x9b")
                                << QStringLiteral("\\x00\\x7f\\…");
    QTest::newRow("bidi") << c(0x202e) + c(0x2066) + c(0x061c) << QStringLiteral("\\u202e\\u2066\\u061c")
                          << QStringLiteral("\\u202e\\u2…");
    QTest::newRow("separators") << c(0x2028) + c(0x2029) << QStringLiteral("\\u2028\\u2029")
                                << QStringLiteral("\\u2028\\u2…");
    QTest::newRow("neighbours") << kept << kept << kept.first(9) + QStringLiteral("…");
}

void CoreTest::terminalText() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, inCell);
    QCOMPARE(terminalSafe(text), shown);
    QCOMPARE(cutToColumns(shown, 10), inCell);
    // The list's cells, read from the stored UTF-8 in one pass and not copied when nothing changes.
    const QByteArray utf8 = text.toUtf8();
    QByteArray buffer;
    int width = -1;
    const QByteArrayView cell = tableCell(QByteArrayView(utf8), 10, buffer, width);
    QCOMPARE(cell.toByteArray(), inCell.toUtf8());
    QCOMPARE(width, terminalWidth(inCell));
    QCOMPARE(cell.data() == utf8.constData(), text == inCell);
}

void CoreTest::tableCell_readsStoredBytes_data() {
    // The stored bytes of a list's cell, checked as they are measured: what is not UTF-8 reads the way
    // the program reads text (QString::fromUtf8), then the cell of 10 columns shows that.
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("inCell");
    QTest::newRow("ideographs and ASCII") << QByteArray("网购 12") << QStringLiteral("网购 12");
    QTest::newRow("the last of three and four bytes")
        << QByteArray("\xEF\xBF\xBF\xF4\x8F\xBF\xBF") << QString::fromUcs4(U"\uFFFF\U0010FFFF");
    QTest::newRow("a longer form") << QByteArray("a\xC0\xAFz") << QStringLiteral("a\uFFFD\uFFFDz");
    QTest::newRow("a longer form of three")
        << QByteArray("\xE0\x9F\xBF") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
    QTest::newRow("a surrogate") << QByteArray("\xED\xA0\x80x") << QStringLiteral("\uFFFD\uFFFD\uFFFDx");
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80x")
                                   << QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFDx");
    QTest::newRow("cut short") << QByteArray("网\xE4\xBD") << QStringLiteral("网\uFFFD\uFFFD");
    QTest::newRow("a stray continuation") << QByteArray("\x80网") << QStringLiteral("\uFFFD网");
    QTest::newRow("read, then cut") << QByteArray("网网网网网\xFF") << QStringLiteral("网网网网…");
}

void CoreTest::tableCell_readsStoredBytes() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, inCell);
    QByteArray buffer;
    int width = -1;
    const QByteArrayView cell = tableCell(QByteArrayView(stored), 10, buffer, width);
    QCOMPARE(cell.toByteArray(), inCell.toUtf8());
    QCOMPARE(width, terminalWidth(inCell));
    QCOMPARE(cell.data() == stored.constData(), stored == inCell.toUtf8());
}

QTEST_GUILESS_MAIN(CoreTest)
#include "tst_core.moc"
