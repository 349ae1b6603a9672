// Runs the real parcelbook-mkdb and inspects the database it leaves behind.
#include "store/Database.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(PARCELBOOK_MKDB), arguments);
    ToolRun result;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        result.err = u"parcelbook-mkdb did not finish"_s;
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString couriersFile() {
    return QStringLiteral(PARCELBOOK_COURIERS);
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QStringList columnsOf(Database &db, const QString &table) {
    Statement info = db.prepare(u"PRAGMA table_info(%1)"_s.arg(table));
    QStringList names;
    while (info.next()) {
        names.append(info.text(info.columnIndex(u"name"_s)));
    }
    return names;
}

// The courier list read independently of the tool, line by line as written.
QList<QStringList> couriersFromFile() {
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(fileBytes(couriersFile())).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        rows.append(lines.at(i).split(u'\t'));
    }
    return rows;
}

} // namespace

class MkdbTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void databaseIsEncrypted();
    void tablesHaveTheExpectedColumns();
    void settingsStartSwitchedOff();
    void courierListIsCopiedInOrder();
    void existingDatabaseIsKept();
    void malformedListIsRejected_data();
    void malformedListIsRejected();
    void failedMoveLeavesNoTemporaryFile();
    void missingArgumentsAreRefused();

private:
    QTemporaryDir m_dir;
    QString m_database;
};

void MkdbTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    // The folder does not exist yet: the tool has to create it.
    m_database = m_dir.filePath(u"program/db/parcelbook.mdb"_s);
    const ToolRun run = runTool({u"--couriers"_s, couriersFile(), u"--out"_s, m_database, u"--force"_s});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(QFileInfo(m_database).isFile());
    QCOMPARE(QDir(m_dir.filePath(u"program/db"_s)).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"parcelbook.mdb"_s});
}

void MkdbTest::databaseIsEncrypted() {
    QVERIFY_THROWS_EXCEPTION(StoreError, Database::open(m_database, u"wrong password"_s));
    QVERIFY_THROWS_EXCEPTION(StoreError, Database::open(m_database, QString()));

    Database db = Database::open(m_database, schema::databasePassword());
    QStringList names;
    QStringList codes;
    Statement rows = db.prepare(u"SELECT name, code FROM list"_s);
    while (rows.next()) {
        names.append(rows.text(0));
        codes.append(rows.text(1));
    }
    db.close();
    QVERIFY(!names.isEmpty());

    const QByteArray bytes = fileBytes(m_database);
    QVERIFY(bytes.size() > 1024);
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QVERIFY(!bytes.contains(QStringLiteral("通知邮箱").toUtf8()));
    QVERIFY(!bytes.contains("CREATE TABLE"));
    for (const QString &name : std::as_const(names)) {
        QVERIFY2(!bytes.contains(name.toUtf8()), qPrintable(name));
    }
    for (const QString &code : std::as_const(codes)) {
        // Short codes such as "jd" may turn up by chance in random bytes; longer ones may not.
        if (code.size() >= 5) {
            QVERIFY2(!bytes.contains(code.toUtf8()), qPrintable(code));
        }
    }
}

void MkdbTest::tablesHaveTheExpectedColumns() {
    Database db = Database::open(m_database, schema::databasePassword());
    Statement tables = db.prepare(u"SELECT name FROM sqlite_master WHERE type = 'table' "
                                  u"AND name NOT LIKE 'sqlite^_%' ESCAPE '^' ORDER BY name"_s);
    QStringList names;
    while (tables.next()) {
        names.append(tables.text(0));
    }
    QCOMPARE(names, (QStringList{u"list"_s, u"parcelbook"_s, u"setting"_s}));

    QCOMPARE(columnsOf(db, u"parcelbook"_s),
             (QStringList{u"id"_s, u"number"_s, u"company"_s, u"goods"_s, u"num"_s}));
    QCOMPARE(columnsOf(db, u"list"_s), (QStringList{u"id"_s, u"name"_s, u"code"_s, u"shibie"_s, u"call"_s}));
    QCOMPARE(columnsOf(db, u"setting"_s),
             (QStringList{u"通知邮箱"_s, u"邮件通知"_s, u"语音提示"_s, u"支持拖动"_s, u"关闭窗口"_s,
                          u"气泡提示"_s, u"默认查询"_s, u"自动识别"_s}));

    Statement parcels = db.prepare(u"SELECT count(*) FROM parcelbook"_s);
    QVERIFY(parcels.next());
    QCOMPARE(parcels.integer(0), 0);
}

void MkdbTest::settingsStartSwitchedOff() {
    Database db = Database::open(m_database, schema::databasePassword());
    Statement rows = db.prepare(u"SELECT * FROM setting"_s);
    QVERIFY(rows.next());
    QCOMPARE(rows.text(0), u"无"_s);
    for (int column = 1; column < 8; ++column) {
        QCOMPARE(rows.text(column), u"否"_s);
    }
    QVERIFY(!rows.next());
}

void MkdbTest::courierListIsCopiedInOrder() {
    const QList<QStringList> expected = couriersFromFile();
    QVERIFY(expected.size() >= 35);

    Database db = Database::open(m_database, schema::databasePassword());
    Statement rows = db.prepare(u"SELECT id, name, code, shibie, \"call\" FROM list ORDER BY id"_s);
    qsizetype index = 0;
    while (rows.next()) {
        QVERIFY(index < expected.size());
        QCOMPARE(rows.integer(0), index + 1);
        const QStringList row{rows.text(1), rows.text(2), rows.text(3), rows.text(4)};
        QCOMPARE(row, expected.at(index));
        QVERIFY2(QRegularExpression(u"^[a-z0-9]+$"_s).match(row.at(1)).hasMatch(), qPrintable(row.at(1)));
        QVERIFY2(!row.at(3).isEmpty(), qPrintable(row.at(0)));
        ++index;
    }
    QCOMPARE(index, expected.size());
    QVERIFY(index >= 30);

    // The directory's quick picks search by "name contains caption".
    const QStringList captions{u"顺丰快递"_s, u"申通快递"_s, u"中通"_s, u"圆通"_s, u"韵达"_s, u"全峰"_s,
                               u"天天"_s,     u"宅急送"_s,   u"汇通"_s, u"京东"_s, u"EMS"_s};
    for (const QString &caption : captions) {
        Statement found = db.prepare(u"SELECT count(*) FROM list WHERE name LIKE '%' || ? || '%'"_s);
        found.bind(1, caption);
        QVERIFY(found.next());
        QVERIFY2(found.integer(0) >= 1, qPrintable(caption));
    }
}

void MkdbTest::existingDatabaseIsKept() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"parcelbook.mdb"_s);
    const QStringList build{u"--couriers"_s, couriersFile(), u"--out"_s, path};
    QCOMPARE(runTool(build).exitCode, 0);
    {
        Database db = Database::open(path, schema::databasePassword());
        Statement insert =
            db.prepare(u"INSERT INTO parcelbook (number, company, goods, num) VALUES (?, ?, ?, ?)"_s);
        insert.bind(1, u"SF1234567890"_s).bind(2, u"顺丰快递"_s).bind(3, u"书"_s).bind(4, u"1"_s);
        insert.run();
    }
    const QByteArray before = fileBytes(path);
    QVERIFY(!before.isEmpty());

    const ToolRun again = runTool(build);
    QCOMPARE(again.exitCode, 0);
    QVERIFY2(again.out.contains(u"保留"_s), qPrintable(again.out));
    QCOMPARE(fileBytes(path), before);

    // Not even a file that is no database at all is replaced.
    const QString other = dir.filePath(u"other.mdb"_s);
    QFile plain(other);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("the user's data");
    plain.close();
    QCOMPARE(runTool({u"--couriers"_s, couriersFile(), u"--out"_s, other}).exitCode, 0);
    QCOMPARE(fileBytes(other), QByteArray("the user's data"));

    const ToolRun forced = runTool(build + QStringList{u"--force"_s});
    QVERIFY2(forced.exitCode == 0, qPrintable(forced.err));
    Database db = Database::open(path, schema::databasePassword());
    Statement parcels = db.prepare(u"SELECT count(*) FROM parcelbook"_s);
    QVERIFY(parcels.next());
    QCOMPARE(parcels.integer(0), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u"other.mdb"_s, u"parcelbook.mdb"_s}));
}

void MkdbTest::malformedListIsRejected_data() {
    QTest::addColumn<QByteArray>("tsv");
    QTest::addColumn<QString>("message");

    const QByteArray header = "name\tcode\tshibie\tcall\n";
    const QByteArray good = "顺丰快递\tshunfeng\tshunfeng\t95338\n申通快递\tshentong\tshentong\t95543\n";
    QTest::newRow("no header") << QByteArray("顺丰快递\tshunfeng\tshunfeng\t95338\n") << u"第 1 行"_s;
    QTest::newRow("three columns") << header + good + "中通快递\tzhongtong\t95311\n" << u"第 4 行"_s;
    QTest::newRow("five columns") << header + "中通快递\tzhongtong\tzhongtong\t95311\tx\n" << u"第 2 行"_s;
    QTest::newRow("empty name") << header + good + " \tzhongtong\tzhongtong\t95311\n" << u"第 4 行"_s;
    QTest::newRow("empty code") << header + "中通快递\t\tzhongtong\t95311\n" << u"第 2 行"_s;
    QTest::newRow("upper-case code") << header + "中通快递\tZhongTong\tzhongtong\t95311\n" << u"第 2 行"_s;
    QTest::newRow("duplicate code") << header + good + "中通快递\tshunfeng\tzhongtong\t95311\n"
                                    << u"第 4 行"_s;
    QTest::newRow("duplicate name") << header + good + "顺丰快递\tsf\tsf\t95338\n" << u"第 4 行"_s;
    QTest::newRow("not utf-8") << header + "\xb9\xe3\xb6\xab\tgd\tgd\t1\n" << u"UTF-8"_s;
    QTest::newRow("only header") << header << u"没有任何快递公司"_s;
}

void MkdbTest::malformedListIsRejected() {
    QFETCH(QByteArray, tsv);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString list = dir.filePath(u"couriers.tsv"_s);
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(tsv);
    file.close();

    const QString out = dir.filePath(u"parcelbook.mdb"_s);
    const ToolRun run = runTool({u"--couriers"_s, list, u"--out"_s, out, u"--force"_s});
    QCOMPARE_NE(run.exitCode, 0);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"couriers.tsv"_s});
}

void MkdbTest::failedMoveLeavesNoTemporaryFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder in the target's place lets the build finish but the final rename fail.
    const QString out = dir.filePath(u"parcelbook.mdb"_s);
    QVERIFY(QDir(dir.path()).mkpath(u"parcelbook.mdb/inside"_s));

    const ToolRun run = runTool({u"--couriers"_s, couriersFile(), u"--out"_s, out, u"--force"_s});
    QCOMPARE_NE(run.exitCode, 0);
    QVERIFY(!run.err.isEmpty());
    QVERIFY(QFileInfo(out).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"parcelbook.mdb"_s});
}

void MkdbTest::missingArgumentsAreRefused() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString out = dir.filePath(u"parcelbook.mdb"_s);

    const ToolRun noList = runTool({u"--out"_s, out});
    QCOMPARE_NE(noList.exitCode, 0);
    QVERIFY2(noList.err.contains(u"用法"_s), qPrintable(noList.err));

    QCOMPARE_NE(runTool({u"--couriers"_s, couriersFile()}).exitCode, 0);
    QCOMPARE_NE(runTool({u"--couriers"_s, couriersFile(), u"--out"_s, out, u"--bogus"_s}).exitCode, 0);

    const ToolRun missingList =
        runTool({u"--couriers"_s, dir.filePath(u"absent.tsv"_s), u"--out"_s, out, u"--force"_s});
    QCOMPARE_NE(missingList.exitCode, 0);
    QVERIFY2(missingList.err.contains(u"无法读取"_s), qPrintable(missingList.err));
    QVERIFY(QDir(dir.path()).isEmpty());
}

QTEST_GUILESS_MAIN(MkdbTest)

#include "tst_mkdb.moc"
