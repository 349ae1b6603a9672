// The store on a real encrypted database: statements, settings row, the file guard.
#include "store/BookFeed.h"
#include "store/BookFile.h"
#include "store/BookGenerations.h"
#include "store/BookLock.h"
#include "store/CourierStore.h"
#include "store/Database.h"
#include "store/DerivedKeys.h"
#include "store/ParcelStore.h"
#include "store/ProgramFolder.h"
#include "store/ProgressStore.h"
#include "store/Schema.h"
#include "store/SettingsStore.h"
#include "store/StoreError.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "text/NumberText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How a call failed, or nothing when it did not.
std::optional<Failure::Kind> failedAs(const Outcome<> &outcome) {
    return outcome ? std::nullopt : std::optional(outcome.failure().kind);
}

} // namespace

class StoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quoteBearingTexts_areStoredListedAndFound();
    void sameGoodsTwice_bothListedFirstRowFirst();
    void clear_emptiesBookOnlyAndIdsAreNeverReused();
    void byNumber_readsStoredNumbersByTheNumberRule_data();
    void byNumber_readsStoredNumbersByTheNumberRule();
    void parcelStatements_onUnknownOrInvalidIds();
    void couriers_namesCodesAndWildcards();
    void progress_recordedPerParcelAndGoneWithIt();
    void storedSwitch_substringRule_data();
    void storedSwitch_substringRule();
    void toggle_touchesOneColumnOfTheFirstRowOnly();
    void emptySettingsTable_loadsNothingAndStoresNothing();
    void address_checks_data();
    void address_checks();
    void leadingValue_data();
    void leadingValue();
    void bookFile_lockBackupAndFailures();
    void bookFile_copiesAreTakenAfterACrashIsRolledBack();
    void bookFile_opensInTheBackground();
    void cache_holdsTheWholeBook();
    void databaseFile_holdsNoPlainText();
    void places_programFolderFirstUserFolderOtherwise();
    void bookFile_damagedBookNeverReplacesAGoodCopy();
    void bookFile_troubledBookIsNeverWrittenAndCanBeRestored_data();
    void bookFile_troubledBookIsNeverWrittenAndCanBeRestored();
    void bookFile_backupsFolderIsNeverFollowed_data();
    void bookFile_backupsFolderIsNeverFollowed();
    void bookFile_staleAndSurplusCopiesGo();
    void bookLock_takesOnlyARegularFileNobodyHolds_data();
    void bookLock_takesOnlyARegularFileNobodyHolds();
    void generations_keepSevenDaysAndTenClears_data();
    void generations_keepSevenDaysAndTenClears();
    void database_readersAndWritersWaitForEachOther();
    void database_remembersTheDerivedKeyBesideTheBook();
    void derivedKeys_memoIsReadOnlyFromARegularFile_data();
    void derivedKeys_memoIsReadOnlyFromARegularFile();
    void places_userFolderNeedsAnAbsoluteHome_data();
    void places_userFolderNeedsAnAbsoluteHome();
};

void StoreTest::quoteBearingTexts_areStoredListedAndFound() {
    TempProgramFolder folder;
    Database db = folder.open();
    ParcelStore parcels(db);
    const QStringList goods = {QStringLiteral("爸爸's 衣服"), QStringLiteral("50% 折扣"),
                               QStringLiteral("C:\\盘"), QStringLiteral("\"引号\""),
                               QStringLiteral("😀 emoji")};
    for (const QString &text : goods) {
        must(parcels.add(QStringLiteral("顺丰快递"), QStringLiteral("12'3 ") + text, text));
    }
    QStringList listed;
    const PickerEntries entries = must(parcels.pickerEntries());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        listed.append(entries.goods(i).toString());
        QCOMPARE(must(parcels.byId(ParcelId(entries.id(i))))->goods, entries.goods(i));
    }
    QCOMPARE(listed, goods);
    for (const QString &text : goods) {
        const QList<ParcelRow> exact = must(parcels.byGoods(text));
        QCOMPARE(exact.size(), 1);
        QCOMPARE(exact.first().number, QStringLiteral("12'3 ") + text);
        QCOMPARE(exact.first().num, QStringLiteral("0"));
        QCOMPARE(must(parcels.byNumber(QStringLiteral("12'3 ") + text)).size(), 1);
    }
    QCOMPARE(must(parcels.byGoodsContaining(QStringLiteral("'s"))).size(), 1);
    QCOMPARE(must(parcels.byNumberContaining(QStringLiteral("12'3"))).size(), goods.size());
    // A typed wildcard stays a wildcard, as the statements intend.
    QCOMPARE(must(parcels.byGoodsContaining(QStringLiteral("%"))).size(), goods.size());
    QCOMPARE(must(parcels.byGoodsContaining(QStringLiteral("不存在"))).size(), 0);
}

void StoreTest::sameGoodsTwice_bothListedFirstRowFirst() {
    TempProgramFolder folder;
    Database db = folder.open();
    ParcelStore parcels(db);
    const auto first =
        must(parcels.add(QStringLiteral("圆通速递"), QStringLiteral("111"), QStringLiteral("手机")));
    const auto second =
        must(parcels.add(QStringLiteral("中通快递"), QStringLiteral("222"), QStringLiteral("手机")));
    const PickerEntries entries = must(parcels.pickerEntries());
    QCOMPARE(entries.size(), 2);
    QCOMPARE(ParcelId(entries.id(0)), first);
    QCOMPARE(ParcelId(entries.id(1)), second);
    // The packed entries are rewritten and shortened in place, each row keeping its own text.
    PickerEntries edited = entries;
    edited.append(7, u"😀 三号");
    edited.setGoods(0, u"新手机壳");
    edited.setGoods(1, u"");
    QCOMPARE(edited.goods(0), QStringLiteral("新手机壳"));
    QCOMPARE(edited.goods(1), QString());
    QCOMPARE(edited.goods(2), QStringLiteral("😀 三号"));
    edited.remove(0, 2);
    QCOMPARE(edited.size(), 1);
    QCOMPARE(edited.id(0), 7);
    QCOMPARE(edited.goods(0), QStringLiteral("😀 三号"));
    QCOMPARE(must(parcels.byId(second))->number, QStringLiteral("222"));
    const QList<ParcelRow> rows = must(parcels.byGoods(QStringLiteral("手机")));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].id, first);
    QCOMPARE(rows[1].id, second);
    QCOMPARE(rows[0].number, QStringLiteral("111"));
}

void StoreTest::clear_emptiesBookOnlyAndIdsAreNeverReused() {
    TempProgramFolder folder;
    Database db = folder.open();
    ParcelStore parcels(db);
    CourierStore couriers(db);
    SettingsStore settings(db);
    const int courierCount = static_cast<int>(must(couriers.all()).size());
    must(parcels.add(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("a")));
    const auto last = must(parcels.add(QStringLiteral("圆通速递"), QStringLiteral("2"), QStringLiteral("b")));
    must(parcels.clear());
    QVERIFY(must(parcels.pickerEntries()).isEmpty());
    QVERIFY(!must(parcels.byId(last)).has_value());
    QCOMPARE(must(couriers.all()).size(), courierCount);
    QVERIFY(must(settings.load()).has_value());
    const auto fresh =
        must(parcels.add(QStringLiteral("圆通速递"), QStringLiteral("3"), QStringLiteral("c")));
    QVERIFY(fresh.value() > last.value());
}

void StoreTest::byNumber_readsStoredNumbersByTheNumberRule_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("found");
    QTest::newRow("blank before, as older versions stored it")
        << QStringLiteral(" 3101234567890") << QStringLiteral("3101234567890") << true;
    QTest::newRow("blanks after and a tab")
        << QStringLiteral("3101234567890 \t") << QStringLiteral("3101234567890") << true;
    QTest::newRow("lower case and a dash")
        << QStringLiteral("sf 1402-3456") << QStringLiteral("SF14023456") << true;
    QTest::newRow("typed with blanks")
        << QStringLiteral("SF14023456") << QStringLiteral(" sf1402 3456 ") << true;
    QTest::newRow("a prefix is another number")
        << QStringLiteral("3101234567890") << QStringLiteral("310123456789") << false;
    QTest::newRow("a text without a number matches itself")
        << QStringLiteral("到付 12'3") << QStringLiteral("到付 12'3") << true;
    QTest::newRow("and nothing else") << QString() << QStringLiteral("快递") << false;
}

void StoreTest::byNumber_readsStoredNumbersByTheNumberRule() {
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, found);
    TempProgramFolder folder;
    Database db = folder.open();
    ParcelStore parcels(db);
    const ParcelId id = must(parcels.add(QStringLiteral("圆通速递"), stored, QStringLiteral("书")));
    const QList<ParcelRow> rows = must(parcels.byNumber(typed));
    QCOMPARE(rows.size(), found ? 1 : 0);
    if (found) {
        QCOMPARE(rows[0].id, id);
        // The stored number stays as it was written.
        QCOMPARE(rows[0].number, stored);
    }
}

void StoreTest::parcelStatements_onUnknownOrInvalidIds() {
    TempProgramFolder folder;
    Database db = folder.open();
    // The feed hears each change made, and nothing of a statement that found no row.
    BookFeed feed;
    db.setFeed(&feed);
    QStringList heard;
    const auto hear = [&feed, &heard](void (BookFeed::*signal)(ParcelId), const char *word) {
        QObject::connect(&feed, signal, &feed, [&heard, word](ParcelId id) {
            heard << QLatin1String(word) + QLatin1Char(' ') + QString::number(id.value());
        });
    };
    hear(&BookFeed::parcelAdded, "added");
    hear(&BookFeed::parcelEdited, "edited");
    hear(&BookFeed::parcelRemoved, "removed");
    QObject::connect(&feed, &BookFeed::bookCleared, &feed, [&heard] { heard << QStringLiteral("cleared"); });
    ParcelStore parcels(db);
    const ParcelId id =
        must(parcels.add(QStringLiteral("韵达快递"), QStringLiteral("9"), QStringLiteral("书")));
    QVERIFY(must(parcels.setCount(id, 7)));
    QCOMPARE(must(parcels.byGoods(QStringLiteral("书"))).first().num, QStringLiteral("7"));
    QVERIFY(
        must(parcels.modify(id, QStringLiteral("中通快递"), QStringLiteral("新书"), QStringLiteral("10"))));
    const ParcelRow changed = must(parcels.byGoods(QStringLiteral("新书"))).first();
    QCOMPARE(changed.company, QStringLiteral("中通快递"));
    QCOMPARE(changed.number, QStringLiteral("10"));
    QCOMPARE(changed.num, QStringLiteral("7"));
    QVERIFY(must(parcels.resetCount(id)));
    QCOMPARE(must(parcels.byGoods(QStringLiteral("新书"))).first().num, QStringLiteral("0"));

    QVERIFY(!must(parcels.setCount(ParcelId(99999), 3)));
    QVERIFY(!must(
        parcels.modify(ParcelId(99999), QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z"))));
    // An id typed as text is a number or nothing, never turned into some other row.
    QVERIFY(!ParcelId::fromText(QString()).has_value());
    QVERIFY(!ParcelId::fromText(QStringLiteral("1 or 1=1")).has_value());
    QCOMPARE(ParcelId::fromText(QStringLiteral(" 12 ")), ParcelId(12));
    QVERIFY(must(parcels.exists(id)));
    QVERIFY(must(parcels.remove(id)));
    QVERIFY(!must(parcels.exists(id)));
    QVERIFY(!must(parcels.remove(id)));
    must(parcels.clear());
    const QString at = QString::number(id.value());
    QCOMPARE(heard, (QStringList{u"added " + at, u"edited " + at, u"edited " + at, u"removed " + at,
                                 QStringLiteral("cleared")}));
}

void StoreTest::progress_recordedPerParcelAndGoneWithIt() {
    TempProgramFolder folder;
    // An older book gains the tables on the first open by the program; its parcels stay.
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("鞋"));
    BookFile book(folder.path(), QDate(2026, 12, 8));
    QVERIFY(book.open());
    Database &db = book.database();
    QVERIFY(db.hasTable(QStringLiteral("progress")));
    ParcelStore parcels(db);
    ProgressStore progress(db);
    const ParcelId shoes = must(parcels.byNumber(QStringLiteral("1"))).first().id;
    const ParcelId book2 =
        must(parcels.add(QStringLiteral("中通快递"), QStringLiteral("2"), QStringLiteral("书")));
    const QDateTime checked(QDate(2026, 12, 8), QTime(9, 30));

    // Never queried: in the overview without progress, and watched.
    QCOMPARE(must(progress.overview()).size(), 2);
    QVERIFY(!must(progress.overview()).first().progress);
    QCOMPARE(must(progress.notSignedFor()), QList<ParcelId>({shoes, book2}));

    // New progress stays unseen until looked at, also when a later check finds nothing new.
    must(progress.record(shoes,
                         {QStringLiteral("运送中"), QStringLiteral("到达 '杭州'"),
                          QStringLiteral("2026-12-08 08:00:00"), checked, false},
                         true));
    must(progress.record(shoes,
                         {QStringLiteral("派件中"), QStringLiteral("派送中"),
                          QStringLiteral("2026-12-08 09:00:00"), checked.addSecs(60), false},
                         false));
    // The entries of the newest answer replace the ones kept before, in their order.
    const QList<ProgressEntry> first{{QStringLiteral("2026-12-08 08:00:00"), QStringLiteral("到达 '杭州'")},
                                     {QStringLiteral("2026-12-07 20:00:00"), QStringLiteral("已揽收 100%")}};
    must(progress.replaceEntries(shoes, first));
    QCOMPARE(must(progress.entries(shoes)).size(), 2);
    QCOMPARE(must(progress.entries(shoes))[1].context, first[1].context);
    const QList<ProgressEntry> newer{{QStringLiteral("2026-12-08 09:00:00"), QStringLiteral("派送中")}};
    must(progress.replaceEntries(shoes, newer));
    QCOMPARE(must(progress.entries(shoes)).size(), 1);
    QCOMPARE(must(progress.entries(shoes))[0].time, newer[0].time);
    QVERIFY(must(progress.entries(book2)).isEmpty());
    std::optional<ProgressRow> row = must(progress.byParcel(shoes));
    QVERIFY(row);
    QCOMPARE(row->status, QStringLiteral("派件中"));
    QCOMPARE(row->newest, QStringLiteral("派送中"));
    QCOMPARE(row->checked, checked.addSecs(60));
    QVERIFY(row->unseen);
    must(progress.markSeen(shoes));
    QVERIFY(!must(progress.byParcel(shoes))->unseen);

    // Signed for: no longer watched.
    must(progress.record(book2,
                         {QStringLiteral("已签收"), QStringLiteral("已签收,感谢使用"),
                          QStringLiteral("2026-12-08 10:00:00"), checked, false},
                         false));
    QCOMPARE(must(progress.notSignedFor()), QList<ParcelId>({shoes}));
    must(progress.replaceEntries(book2, first));
    // With each parcel the second newest text and the oldest time; the history: those signed for.
    const QList<OverviewRow> rows = must(progress.overview());
    QCOMPARE(
        (QStringList{rows[0].previousText, rows[0].acceptedTime, rows[1].previousText, rows[1].acceptedTime}),
        (QStringList{QString(), newer[0].time, first[1].context, first[1].time}));
    QStringList history;
    for (const DeliveredParcel &parcel : must(progress.deliveryHistory())) {
        history << parcel.company << parcel.acceptedTime << parcel.signedTime;
    }
    QCOMPARE(history,
             (QStringList{QStringLiteral("中通快递"), first[1].time, QStringLiteral("2026-12-08 10:00:00")}));

    // A parcel's progress goes with it, on delete and on clear, whichever connection deletes.
    QVERIFY(must(parcels.remove(book2)));
    QVERIFY(!must(progress.byParcel(book2)));
    QVERIFY(must(progress.entries(book2)).isEmpty());
    {
        Database second = folder.open();
        must(ParcelStore(second).clear());
    }
    QVERIFY(!must(progress.byParcel(shoes)));
    QVERIFY(must(progress.entries(shoes)).isEmpty());
    QVERIFY(must(progress.overview()).isEmpty());

    // The watch's preferences, with their defaults.
    QVERIFY(must(progress.watchOn()));
    QCOMPARE(must(progress.watchMinutes()), 30);
    must(progress.setWatch(false, 45));
    QVERIFY(!must(progress.watchOn()));
    QCOMPARE(must(progress.watchMinutes()), 45);
}

void StoreTest::couriers_namesCodesAndWildcards() {
    TempProgramFolder folder;
    Database db = folder.open();
    CourierStore couriers(db);
    const QList<CourierRow> all = must(couriers.all());
    QVERIFY(all.size() >= 30);
    const std::optional<CourierRow> first = must(couriers.byId(QString::number(all.first().id)));
    QVERIFY(first.has_value());
    QCOMPARE(first->name, all.first().name);
    QCOMPARE(must(couriers.byName(all.first().name))->code, all.first().code);
    QCOMPARE(must(couriers.byRecognitionCode(all.first().shibie))->name, all.first().name);
    QVERIFY(!must(couriers.byName(QStringLiteral("正在检测快递"))).has_value());
    QVERIFY(!must(couriers.byRecognitionCode(QString())).has_value());
    QCOMPARE(must(couriers.byNameContaining(QStringLiteral("    ").trimmed())).size(), all.size());
    QCOMPARE(must(couriers.byNameContaining(QStringLiteral("'"))).size(), 0);
    QVERIFY(must(couriers.byNameContaining(QStringLiteral("顺丰"))).size() >= 1);

    // A typed name: the whole name, or a part of only one company's name; a part of several names, or
    // a wildcard that matches them all, names none.
    const struct {
        const char16_t *typed;
        const char16_t *company;
    } typedNames[] = {
        {u" 顺丰快递 ", u"顺丰快递"}, {u"顺丰", u"顺丰快递"}, {u"ems快", u"EMS快递"}, {u"EMS", nullptr},
        {u"快递", nullptr},           {u"%", nullptr},        {u"", nullptr},         {u"顺丰'", nullptr}};
    for (const auto &name : typedNames) {
        const std::optional<CourierRow> found = must(couriers.byTypedName(QString::fromUtf16(name.typed)));
        QCOMPARE(found ? found->name : QString(),
                 name.company ? QString::fromUtf16(name.company) : QString());
    }
}

void StoreTest::storedSwitch_substringRule_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("on");
    QTest::newRow("是") << QStringLiteral("是") << true;
    QTest::newRow("不是") << QStringLiteral("不是") << true;
    QTest::newRow("是否") << QStringLiteral("是否") << true;
    QTest::newRow("否") << QStringLiteral("否") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("yes") << QStringLiteral("yes") << false;
}

void StoreTest::storedSwitch_substringRule() {
    QFETCH(QString, stored);
    QFETCH(bool, on);
    QCOMPARE(storedSwitchIsOn(stored), on);
}

void StoreTest::toggle_touchesOneColumnOfTheFirstRowOnly() {
    TempProgramFolder folder;
    Database db = folder.open();
    SettingsStore settings(db);
    db.exec(QStringLiteral(
        "INSERT INTO setting VALUES ('second@row.cn', '否', '否', '否', '否', '否', '否', '否')"));
    const SettingsRow before = *must(settings.load());
    QVERIFY(must(settings.store(SettingColumn::Balloon, QStringLiteral("是"))));
    SettingsRow after = *must(settings.load());
    QCOMPARE(after.balloon, QStringLiteral("是"));
    after.balloon = before.balloon;
    QCOMPARE(after.address, before.address);
    QCOMPARE(after.mail, before.mail);
    QCOMPARE(after.sound, before.sound);
    QCOMPARE(after.drag, before.drag);
    QCOMPARE(after.closeOnPress, before.closeOnPress);
    QCOMPARE(after.defaultQuery, before.defaultQuery);
    QCOMPARE(after.autoRecognition, before.autoRecognition);
    QVERIFY(must(settings.store(SettingColumn::Balloon, QStringLiteral("否"))));
    QCOMPARE(must(settings.load())->balloon, QStringLiteral("否"));

    Statement second =
        db.prepare(QStringLiteral("SELECT 气泡提示, 通知邮箱 FROM setting WHERE 通知邮箱 = 'second@row.cn'"));
    QVERIFY(second.next());
    QCOMPARE(second.text(0), QStringLiteral("否"));
}

void StoreTest::emptySettingsTable_loadsNothingAndStoresNothing() {
    TempProgramFolder folder;
    Database db = folder.open();
    db.exec(QStringLiteral("DELETE FROM setting"));
    SettingsStore settings(db);
    QVERIFY(!must(settings.load()).has_value());
    QVERIFY(!must(settings.store(SettingColumn::Sound, QStringLiteral("是"))));
    QVERIFY(!must(settings.load()).has_value());
}

void StoreTest::address_checks_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("check");
    QTest::newRow("empty") << QString() << int(AddressCheck::Empty);
    QTest::newRow("no at") << QStringLiteral("user.qq.com") << int(AddressCheck::NoAt);
    QTest::newRow("unknown domain") << QStringLiteral("user@mail.de") << int(AddressCheck::NoKnownDomain);
    QTest::newRow("com") << QStringLiteral("user@qq.com") << int(AddressCheck::Ok);
    QTest::newRow("cn anywhere") << QStringLiteral("cnuser@mail.xyz") << int(AddressCheck::Ok);
    QTest::newRow("case sensitive") << QStringLiteral("user@MAIL.COM") << int(AddressCheck::NoKnownDomain);
    QTest::newRow("无") << QStringLiteral("无") << int(AddressCheck::NoAt);
}

void StoreTest::address_checks() {
    QFETCH(QString, address);
    QFETCH(int, check);
    QCOMPARE(int(checkAddress(address)), check);
}

void StoreTest::leadingValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("digits") << QStringLiteral("12") << qint64(12);
    QTest::newRow("zeros") << QStringLiteral("00") << qint64(0);
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("trailing text") << QStringLiteral("3条") << qint64(3);
    QTest::newRow("no digits") << QStringLiteral("abc") << qint64(0);
    QTest::newRow("blanks and sign") << QStringLiteral("  -4") << qint64(-4);
    QTest::newRow("largest") << QStringLiteral("9223372036854775807") << qint64(9223372036854775807LL);
    QTest::newRow("just below") << QStringLiteral("9223372036854775710") << qint64(9223372036854775710LL);
    QTest::newRow("too long stays largest")
        << QStringLiteral("99999999999999999999") << qint64(9223372036854775807LL);
    QTest::newRow("most negative written")
        << QStringLiteral("-9223372036854775807") << qint64(-9223372036854775807LL);
}

void StoreTest::leadingValue() {
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(::leadingValue(text), value);
}

void StoreTest::bookFile_lockBackupAndFailures() {
    TempProgramFolder folder;
    {
        BookFile first(folder.path(), QDate::currentDate());
        QVERIFY(first.open());
        QVERIFY(first.keepCopies().clean());
        QVERIFY(QFile::exists(folder.backupPath()));
        BookFile second(folder.path(), QDate::currentDate());
        QVERIFY(failedAs(second.open()) == Failure::Kind::HeldElsewhere);
        must(ParcelStore(first.database())
                 .add(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("新")));
    }
    // Every start rewrites the backup with the database as it is now.
    BookFile again(folder.path(), QDate::currentDate());
    QVERIFY(again.open());
    QVERIFY(again.keepCopies().clean());
    QFile db(folder.databasePath());
    QFile backup(folder.backupPath());
    QVERIFY(db.open(QIODevice::ReadOnly) && backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), db.readAll());
    again.close();

    TempProgramFolder missing;
    QFile::remove(missing.databasePath());
    BookFile none(missing.path(), QDate::currentDate());
    QVERIFY(failedAs(none.open()) == Failure::Kind::Damaged);
    QVERIFY(!QFile::exists(missing.databasePath()));
    QVERIFY(!QFile::exists(missing.backupPath()));

    TempProgramFolder garbage;
    QFile file(garbage.databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(8192, 'x'));
    file.close();
    BookFile unreadable(garbage.path(), QDate::currentDate());
    const Outcome<> unread = unreadable.open();
    QVERIFY(failedAs(unread) == Failure::Kind::Damaged && !unread.failure().reason.isEmpty());
}

void StoreTest::bookFile_opensInTheBackground() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("衣服"));
    {
        BookFile first(folder.path(), QDate::currentDate());
        first.openInBackground();
        BookFile second(folder.path(), QDate::currentDate());
        second.openInBackground();
        const Outcome<> firstResult = first.open();
        const Outcome<> secondResult = second.open();
        // Whichever worker took the lock first, the other copy is refused.
        BookFile &opened = firstResult ? first : second;
        QVERIFY(failedAs(firstResult ? secondResult : firstResult) == Failure::Kind::HeldElsewhere);
        // The copies are kept on a worker of their own, with a connection of their own.
        std::promise<CopyReport> kept;
        opened.keepCopiesInBackground([&kept](const CopyReport &report) { kept.set_value(report); });
        QVERIFY(kept.get_future().get().clean());
        QVERIFY(QFile::exists(folder.backupPath()));
        // The connection made on the worker serves this thread.
        QCOMPARE(must(ParcelStore(opened.database()).pickerEntries()).goods(0), QStringLiteral("衣服"));
    }
    // A book whose opening is never collected still lets go of its lock when it goes.
    {
        BookFile abandoned(folder.path(), QDate::currentDate());
        abandoned.openInBackground();
    }
    BookFile again(folder.path(), QDate::currentDate());
    again.openInBackground();
    QVERIFY(again.open());
    again.close();

    TempProgramFolder missing;
    QFile::remove(missing.databasePath());
    BookFile none(missing.path(), QDate::currentDate());
    none.openInBackground();
    const Outcome<> missed = none.open();
    QVERIFY(!missed && !missed.failure().reason.isEmpty());
    QVERIFY(!QFile::exists(missing.backupPath()));
}

void StoreTest::cache_holdsTheWholeBook() {
    const auto pragma = [](Database &db, const QString &name) {
        Statement query = db.prepare(QStringLiteral("PRAGMA ") + name);
        return query.next() ? query.integer(0) : -1;
    };
    TempProgramFolder folder;
    {
        Database db = folder.open();
        // A small book keeps at least the engine's usual 2,000 pages for what is added later.
        QCOMPARE(pragma(db, QStringLiteral("cache_size")), 2000);
        ParcelStore parcels(db);
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < 5000; ++i) {
            must(parcels.add(QStringLiteral("圆通速递"), QString::number(i), QString(500, QLatin1Char('x'))));
        }
        db.exec(QStringLiteral("COMMIT"));
    }
    // A book past the default cache is opened with room for every page, so a reload reads none twice.
    Database db = folder.open();
    const std::int64_t pages = pragma(db, QStringLiteral("page_count"));
    QVERIFY2(pages > 2000, qPrintable(QString::number(pages)));
    QVERIFY(pragma(db, QStringLiteral("cache_size")) >= pages);
}

void StoreTest::databaseFile_holdsNoPlainText() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("顺丰快递"), QStringLiteral("SECRETNUMBER42"),
                     QStringLiteral("秘密礼物"));
    QFile file(folder.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.contains("SECRETNUMBER42"));
    QVERIFY(!bytes.contains(QStringLiteral("秘密礼物").toUtf8()));
    QVERIFY(!bytes.contains(QStringLiteral("顺丰快递").toUtf8()));
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QVERIFY_THROWS_EXCEPTION(StoreError, Database::open(folder.databasePath(), QStringLiteral("wrong")));
}

void StoreTest::bookFile_copiesAreTakenAfterACrashIsRolledBack() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("原有的"));
    // A process dies in the middle of a big transaction: pages of it are already in the file, and
    // the journal that undoes them lies beside it.
    const pid_t child = ::fork();
    if (child == 0) {
        Database db = folder.open();
        // A tiny page cache makes the transaction spill its changed pages into the file itself.
        db.exec(QStringLiteral("PRAGMA cache_size = 1"));
        db.exec(QStringLiteral("BEGIN"));
        db.exec(QStringLiteral("UPDATE parcelbook SET goods = '被改了一半'"));
        ParcelStore parcels(db);
        const QString bulky(500, QLatin1Char('x'));
        for (int i = 0; i < 2000; ++i) {
            must(parcels.add(QStringLiteral("圆通速递"), QString::number(i), bulky));
        }
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(QFile::exists(folder.databasePath() + QStringLiteral("-journal")));

    BookFile book(folder.path(), QDate(2026, 12, 8));
    QVERIFY(book.open());
    QVERIFY(book.keepCopies().clean());
    QCOMPARE(must(ParcelStore(book.database()).pickerEntries()).size(), 1);
    const QStringList copies = {folder.backupPath(),
                                book.generationsPath() + QStringLiteral("/parcelbook-2026-12-08.mdb")};
    for (const QString &copy : copies) {

        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(copy).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        Database db = Database::open(copy, schema::databasePassword());
        Statement check = db.prepare(QStringLiteral("PRAGMA integrity_check"));
        QVERIFY(check.next());
        QCOMPARE(check.text(0), QStringLiteral("ok"));
        const PickerEntries entries = must(ParcelStore(db).pickerEntries());
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.goods(0), QStringLiteral("原有的"));
    }
}

void StoreTest::places_programFolderFirstUserFolderOtherwise() {
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    const QString share = root.filePath(QStringLiteral("usr/share/parcelbook"));
    const QString user = root.filePath(QStringLiteral("home/.local/share/parcelbook"));
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(share + QStringLiteral("/db")));
    TempProgramFolder delivered;
    QVERIFY(QFile::copy(delivered.databasePath(), share + schema::databaseFile()));
    QFile chime(share + QStringLiteral("/ts.mp3"));
    QVERIFY(chime.open(QIODevice::WriteOnly));
    chime.close();

    // Named by the environment: that folder, even when the program is installed.
    programfolder::Places places = programfolder::resolve(root.filePath(QStringLiteral("mine/")), bin, user);
    QCOMPARE(places.book, root.filePath(QStringLiteral("mine")));
    QVERIFY(!places.bookFromTemplate);
    QCOMPARE(places.chimeFile(), share + QStringLiteral("/ts.mp3"));

    // Installed: the user's data folder, created from the delivered book, readable by the user only.
    places = programfolder::resolve(QString(), bin, user);
    QCOMPARE(places.book, user);
    QVERIFY(places.bookFromTemplate);
    QCOMPARE(places.data, share);
    QCOMPARE(places.modules, bin);
    QVERIFY(programfolder::provideBook(places));
    const QString book = user + schema::databaseFile();
    // The delivered book with this program's tables already in it: its first start changes nothing.
    {
        Database created = Database::open(book, schema::databasePassword());
        QVERIFY(ProgressStore::hasEveryTable(created) && !must(CourierStore(created).all()).isEmpty());
    }
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(book).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);
    for (const QString &folder : QStringList{user, user + QStringLiteral("/db")}) {
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0700u);
    }
    QCOMPARE(QDir(user + QStringLiteral("/db")).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("parcelbook.mdb")}));

    // An existing book is never replaced, whatever the delivered one holds.
    {
        Database db = Database::open(book, schema::databasePassword());
        must(ParcelStore(db).add(QStringLiteral("顺丰快递"), QStringLiteral("9876543210123"),
                                 QStringLiteral("书")));
    }
    const QByteArray kept = [&] {
        QFile file(book);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(programfolder::provideBook(places));
    QFile again(book);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), kept);

    // A program folder holding a book keeps it beside itself, even when installed files exist.
    QVERIFY(QDir().mkpath(bin + QStringLiteral("/db")));
    QVERIFY(QFile::copy(delivered.databasePath(), bin + schema::databaseFile()));
    places = programfolder::resolve(QString(), bin, user);
    QCOMPARE(places.book, bin);
    QVERIFY(!places.bookFromTemplate);

    // The book gone, its copies there: no empty book takes its place until the user asks for one,
    // and then the old copies are set aside first, never replaced by the new book's.
    const programfolder::Places installed{user, share, bin, true};
    QVERIFY(BookFile(user, QDate(2026, 12, 1)).open());
    QVERIFY(QFile::rename(book, user + schema::backupFile()));
    QVERIFY(programfolder::provideBook(installed));
    QVERIFY(!QFileInfo::exists(book));
    QVERIFY(programfolder::startNewBook(installed, QDateTime(QDate(2026, 12, 2), QTime(9, 30))));
    QVERIFY(QFileInfo::exists(user + QStringLiteral("/db/previous-2026-12-02-093000/parcelbook.mdb.bak")));
    QVERIFY(!programfolder::holdsCopiesOfTheBook(user) && QFileInfo::exists(book));

    // No delivered book to copy: the reason, and nothing half-made.
    const QString elsewhere = root.filePath(QStringLiteral("elsewhere"));
    places = programfolder::resolve(QString(), root.filePath(QStringLiteral("opt")), elsewhere);
    QVERIFY(!programfolder::provideBook(places));
    QVERIFY(!QFileInfo::exists(elsewhere + schema::databaseFile()));
}

QTEST_GUILESS_MAIN(StoreTest)
namespace {

QByteArray bytesOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens the book as a start on that day does and keeps its copies.
CopyReport startOn(const TempProgramFolder &folder, QDate day) {
    BookFile book(folder.path(), day);
    if (const Outcome<> opened = book.open(); !opened) {
        CopyReport failed;
        failed.damage = QStringLiteral("not opened: ") + opened.failure().reason;
        return failed;
    }
    return book.keepCopies();
}

} // namespace

void StoreTest::bookFile_damagedBookNeverReplacesAGoodCopy() {
    TempProgramFolder folder;
    folder.addManyParcels();
    QVERIFY(startOn(folder, QDate(2026, 12, 1)).clean());
    const QByteArray goodBackup = bytesOf(folder.backupPath());
    const QString generations = folder.path() + QStringLiteral("/db/backups");
    const QString firstDay = generations + QStringLiteral("/parcelbook-2026-12-01.mdb");
    QCOMPARE(bytesOf(firstDay), goodBackup);

    QVERIFY(folder.damageMiddle());
    const QByteArray damaged = bytesOf(folder.databasePath());

    for (int day = 2; day <= 9; ++day) {
        const CopyReport report = startOn(folder, QDate(2026, 12, day));
        QVERIFY2(report.damage.contains(QStringLiteral("已损坏")), qPrintable(report.damage));
        QVERIFY(report.restoreOffer.contains(report.goodCopy) && !report.goodCopy.isEmpty());
        // A good copy is named with the way back.
        QVERIFY2(report.damage.contains(folder.backupPath() + QStringLiteral(":")) ||
                     report.damage.contains(firstDay),
                 qPrintable(report.damage));
        QVERIFY(report.damage.contains(folder.databasePath()));
    }
    QCOMPARE(bytesOf(folder.backupPath()), goodBackup);
    QCOMPARE(QDir(generations).entryList(QDir::Files), QStringList{QFileInfo(firstDay).fileName()});
    // A clear refuses to go on without a good copy.
    BookFile clearing(folder.path(), QDate(2026, 12, 10));
    QVERIFY(clearing.open());
    const Outcome<> kept = clearing.keepGeneration(QStringLiteral("before-clear"));
    QVERIFY(failedAs(kept) == Failure::Kind::Damaged &&
            kept.failure().reason.contains(QStringLiteral("已损坏")));
    QCOMPARE(QDir(generations).entryList(QDir::Files), QStringList{QFileInfo(firstDay).fileName()});
    // Once the check has found it damaged, the connection writes nothing more; reads go on.
    QVERIFY(!ParcelStore(clearing.database())
                 .add(QStringLiteral("圆通速递"), QStringLiteral("2"), QStringLiteral("新")));
    clearing.close();
    QCOMPARE(bytesOf(folder.databasePath()), damaged);
    Database restored = Database::open(firstDay, schema::databasePassword());
    QCOMPARE(restored.quickCheck(), QString());
}

void StoreTest::bookFile_troubledBookIsNeverWrittenAndCanBeRestored_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("opens");
    QTest::newRow("damaged: found by the check") << "damaged" << true;
    QTest::newRow("truncated: found at open") << "truncated" << false;
    QTest::newRow("missing with its backup") << "missing" << false;
    QTest::newRow("older layout") << "older" << true;
    QTest::newRow("layout before the stored entries") << "previous" << true;
    QTest::newRow("older layout, damaged") << "older damaged" << false;
}

void StoreTest::bookFile_troubledBookIsNeverWrittenAndCanBeRestored() {
    QFETCH(QString, state);
    QFETCH(bool, opens);
    TempProgramFolder folder;
    folder.addManyParcels();
    const QString db = folder.path() + QStringLiteral("/db");
    const auto beforeUpgrade = [&db] {
        const QStringList names = QDir(db).entryList({QStringLiteral("parcelbook-*-before-upgrade-*.mdb")});
        return names.size() == 1 ? db + QLatin1Char('/') + names.first() : QString::number(names.size());
    };
    // The delivered book lacks this program's tables: its first start keeps it as it was.
    if (!state.startsWith(QStringLiteral("older"))) {
        const QByteArray asItWas = bytesOf(folder.databasePath());
        QVERIFY(startOn(folder, QDate(2026, 12, 1)).clean());
        QCOMPARE(bytesOf(beforeUpgrade()), asItWas);
        QVERIFY(QFile::remove(beforeUpgrade()));
    }
    if (state.endsWith(QStringLiteral("damaged"))) {
        QVERIFY(folder.damageMiddle());
    } else if (state == QStringLiteral("truncated")) {
        QVERIFY(QFile::resize(folder.databasePath(), QFileInfo(folder.databasePath()).size() / 2));
    } else if (state == QStringLiteral("missing")) {
        QVERIFY(QFile::remove(folder.databasePath()));
    } else if (state == QStringLiteral("previous")) {
        Database previous = folder.open();
        previous.exec(QStringLiteral("DROP TRIGGER progress_entries_go_with_parcel"));
        previous.exec(QStringLiteral("DROP TABLE progress_entry"));
    }
    const QByteArray before = bytesOf(folder.databasePath());

    BookFile book(folder.path(), QDate(2026, 12, 2));
    const Outcome<> opened = book.open();
    QVERIFY(opens ? bool(opened) : failedAs(opened) == Failure::Kind::Damaged);
    const CopyReport report = opens ? book.keepCopies() : CopyReport();
    if (state == QStringLiteral("older") || state == QStringLiteral("previous")) {
        QVERIFY(report.clean() && ProgressStore::hasEveryTable(book.database()));
        QCOMPARE(bytesOf(beforeUpgrade()), before);
        return;
    }
    // Not one byte written, no layout change and no copy of a damaged book.
    QCOMPARE(bytesOf(folder.databasePath()), before);
    QCOMPARE(beforeUpgrade(), QStringLiteral("0"));
    const QString good = opens ? report.goodCopy : book.goodCopy();
    const QString said = opens ? report.damage : opened.failure().reason;
    QVERIFY2(good.isEmpty() ? said == QStringLiteral("文件已损坏")
                            : said.contains(QStringLiteral("最近一份完好的备份是 ") + good),
             qPrintable(said));
    if (good.isEmpty()) {
        return;
    }
    QCOMPARE(book.bookMissing(), state == QStringLiteral("missing"));
    // The restore keeps the damaged book aside, puts the copy in its place, and holds the lock.
    QVERIFY(book.restoreFrom(good));
    QCOMPARE(bytesOf(folder.databasePath()), bytesOf(good));
    QCOMPARE(bytesOf(book.keptAside()), before);
    ParcelStore parcels(book.database());
    must(parcels.add(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("恢复后")));
    QCOMPARE(must(parcels.all()).size(), qsizetype(3001));
    BookFile second(folder.path(), QDate(2026, 12, 2));
    QVERIFY(failedAs(second.open()) == Failure::Kind::HeldElsewhere);
}

void StoreTest::bookFile_backupsFolderIsNeverFollowed_data() {
    QTest::addColumn<bool>("symlink");
    QTest::newRow("symbolic link to a folder") << true;
    QTest::newRow("plain file") << false;
}

void StoreTest::bookFile_backupsFolderIsNeverFollowed() {
    QFETCH(bool, symlink);
    TempProgramFolder folder;
    QTemporaryDir elsewhere;
    const QString generations = folder.path() + QStringLiteral("/db/backups");
    QVERIFY(::chmod(QFile::encodeName(elsewhere.path()).constData(), 0755) == 0);
    if (symlink) {
        QVERIFY(QFile::link(elsewhere.path(), generations));
    } else {
        QFile plain(generations);
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }
    const CopyReport report = startOn(folder, QDate(2026, 12, 1));
    QCOMPARE(report.damage, QString());
    QCOMPARE(report.warnings.size(), 1);
    QVERIFY2(report.warnings.first().contains(QStringLiteral("不是文件夹")),
             qPrintable(report.warnings.first()));
    // The backup beside the book is still kept; nothing is written, changed or pruned elsewhere.
    QCOMPARE(bytesOf(folder.backupPath()), bytesOf(folder.databasePath()));
    QVERIFY(QDir(elsewhere.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(elsewhere.path()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0755));
    QCOMPARE(QFileInfo(generations).isSymLink(), symlink);
}

void StoreTest::bookFile_staleAndSurplusCopiesGo() {
    TempProgramFolder folder;
    const QString generations = folder.path() + QStringLiteral("/db/backups");
    QVERIFY(QDir().mkpath(generations));
    const QString db = folder.path() + QStringLiteral("/db");
    const QStringList stale = {folder.backupPath() + QStringLiteral(".aB3dE9"),
                               generations + QStringLiteral("/parcelbook-2026-12-01.mdb.Qz81Lm"),
                               db + QStringLiteral("/parcelbook-2026-12-01-before-upgrade-1.mdb.x1Y2z3"),
                               db + QStringLiteral("/.parcelbook-keys.Kq29vX")};
    // A memo being written right now is not a killed one's.
    const QString writing = db + QStringLiteral("/.parcelbook-keys.Wr1tNg");
    for (const QString &path : stale + QStringList{writing}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        QVERIFY(file.flush());
        if (path != writing) {
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                     QFileDevice::FileModificationTime));
        }
    }
    BookFile book(folder.path(), QDate(2026, 12, 1));
    QVERIFY(book.open());
    QVERIFY(book.keepCopies().clean());
    for (const QString &path : stale) {
        QVERIFY2(!QFile::exists(path), qPrintable(path));
    }
    QVERIFY(QFile::exists(writing));
    // Clear after clear keeps the ten newest copies taken before them.
    for (int clear = 0; clear < 12; ++clear) {
        const Outcome<> kept = book.keepGeneration(QStringLiteral("before-clear"));
        QVERIFY2(kept, qPrintable(kept ? QString() : kept.failure().reason));
    }
    QCOMPARE(QDir(generations).entryList({QStringLiteral("*-before-clear-*.mdb")}, QDir::Files).size(), 10);
    QVERIFY(QFile::exists(generations + QStringLiteral("/parcelbook-2026-12-01.mdb")));
}

void StoreTest::bookLock_takesOnlyARegularFileNobodyHolds_data() {
    QTest::addColumn<QString>("atTheName");
    // The failure's kind, or -1 when the lock is taken.
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("said");
    QTest::newRow("the book") << "book" << -1 << QString();
    QTest::newRow("held by another copy") << "held" << int(Failure::Kind::HeldElsewhere) << QString();
    QTest::newRow("nothing: recovered like damage")
        << "nothing" << int(Failure::Kind::Damaged) << QStringLiteral("文件不存在");
    QTest::newRow("link") << "link" << int(Failure::Kind::Plain)
                          << QStringLiteral("这是符号链接,不是普通文件");
    QTest::newRow("folder") << "folder" << int(Failure::Kind::Plain)
                            << QStringLiteral("这是一个文件夹，不是文件");
    QTest::newRow("pipe") << "pipe" << int(Failure::Kind::Plain) << QStringLiteral("这是管道,不是普通文件");
}

void StoreTest::bookLock_takesOnlyARegularFileNobodyHolds() {
    QFETCH(QString, atTheName);
    QFETCH(int, kind);
    QFETCH(QString, said);
    TempProgramFolder folder;
    const QString book = folder.databasePath();
    std::optional<Outcome<BookLock>> holder;
    if (atTheName == QStringLiteral("held")) {
        holder.emplace(BookLock::take(book));
        QVERIFY(*holder);
    } else if (atTheName != QStringLiteral("book")) {
        QVERIFY(QFile::remove(book));
    }
    if (atTheName == QStringLiteral("link")) {
        QVERIFY(QFile::link(folder.backupPath(), book));
    } else if (atTheName == QStringLiteral("folder")) {
        QVERIFY(QDir().mkdir(book));
    } else if (atTheName == QStringLiteral("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(book).constData(), 0600), 0);
    }
    const Outcome<BookLock> lock = BookLock::take(book);
    QCOMPARE(lock ? -1 : int(lock.failure().kind), kind);
    if (!said.isEmpty()) {
        QCOMPARE(lock.failure().reason, said);
    }
}

void StoreTest::generations_keepSevenDaysAndTenClears_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("dropped");
    const auto day = [](int day) {
        return QStringLiteral("parcelbook-2026-12-%1.mdb").arg(day, 2, 10, QLatin1Char('0'));
    };
    const auto clear = [](int day, int at) {
        return QStringLiteral("parcelbook-2026-12-%1-before-clear-0930000%2.mdb")
            .arg(day, 2, 10, QLatin1Char('0'))
            .arg(at, 2, 10, QLatin1Char('0'));
    };
    QStringList week;
    for (int d = 1; d <= 7; ++d) {
        week.append(day(d));
    }
    QTest::newRow("seven days") << week << QStringList();
    QTest::newRow("an eighth day: the first goes with its clear")
        << week + QStringList{clear(1, 1), day(8)} << QStringList{day(1), clear(1, 1)};
    QTest::newRow("a day of clears only counts as a day")
        << week + QStringList{clear(8, 1)} << QStringList{day(1)};
    QStringList clears;
    for (int at = 11; at >= 1; --at) {
        clears.append(clear(7, at));
    }
    QTest::newRow("eleven clears: the oldest goes") << clears << QStringList{clear(7, 1)};
    QTest::newRow("names without a date stay")
        << week + QStringList{QStringLiteral("parcelbook-notes.mdb"), day(8)} << QStringList{day(1)};
}

void StoreTest::generations_keepSevenDaysAndTenClears() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, dropped);
    QCOMPARE(bookgenerations::surplus(names), dropped);
}

void StoreTest::database_readersAndWritersWaitForEachOther() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("衣服"));
    const auto parcelCount = [&folder] {
        Database reader = folder.open();
        return must(ParcelStore(reader).all()).size();
    };
    // A clear holds the book while a reader opens: the reader waits and sees the clear's result.
    {
        Database writer = folder.open();
        writer.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        must(ParcelStore(writer).clear());
        std::future<qsizetype> reading = std::async(std::launch::async, parcelCount);
        QCOMPARE(reading.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        writer.exec(QStringLiteral("COMMIT"));
        QCOMPARE(reading.get(), qsizetype(0));
    }
    // A reader in the middle of its read: the writer waits for it and then writes.
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("2"), QStringLiteral("鞋子"));
    Database reader = folder.open();
    reader.exec(QStringLiteral("BEGIN"));
    QCOMPARE(must(ParcelStore(reader).all()).size(), 1);
    std::future<void> clearing = std::async(std::launch::async, [&folder] {
        Database writer = folder.open();
        must(ParcelStore(writer).clear());
    });
    QCOMPARE(clearing.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    reader.exec(QStringLiteral("COMMIT"));
    clearing.get();
    QCOMPARE(parcelCount(), qsizetype(0));
}

void StoreTest::database_remembersTheDerivedKeyBesideTheBook() {
    TempProgramFolder folder;
    folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("1"), QStringLiteral("衣服"));
    const QString book = folder.databasePath();
    const QString memo = derivedkeys::memoFile(QFileInfo(book).absolutePath());
    const auto rememberedLine = [&memo] {
        QFile file(memo);
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    };
    const auto openBook = [&book] {
        Database db = Database::open(book, schema::databasePassword(), Database::RememberKey::BesideTheFile);
        return must(ParcelStore(db).all()).size();
    };
    derivedkeys::forget(schema::databasePassword().toUtf8(), derivedkeys::saltOf(book));

    // A copy or a check remembers nothing on disk; the book does, readable by its owner only.
    Database::open(book, schema::databasePassword());
    QVERIFY(!QFile::exists(memo));
    QCOMPARE(openBook(), qsizetype(1));
    const QByteArray line = rememberedLine();
    const QByteArray print = line.split(' ').value(0);
    QCOMPARE(line.count('\n'), 0);
    QCOMPARE(QFile::permissions(memo) &
                 ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFile::Permissions());
    // The remembered text is the engine's own key: it opens the book without the passphrase.
    const QString raw = QString::fromLatin1(line.split(' ').value(1));
    Database byKey = Database::open(book, raw);
    QCOMPARE(must(ParcelStore(byKey).all()).size(), qsizetype(1));
    QCOMPARE(raw, QString::fromLatin1(
                      derivedkeys::derive(schema::databasePassword().toUtf8(), derivedkeys::saltOf(book))));

    // A memo that no longer fits (another key, garbage) never keeps a book closed, and is mended.
    TempProgramFolder other;
    const QString otherBook = other.databasePath();
    const QString otherMemo = derivedkeys::memoFile(QFileInfo(otherBook).absolutePath());
    derivedkeys::forget(schema::databasePassword().toUtf8(), derivedkeys::saltOf(otherBook));
    QFile wrong(otherMemo);
    QVERIFY(wrong.open(QIODevice::WriteOnly));
    wrong.write(print + " x'" + QByteArray(96, 'a') + "'\nnot a memo line\n");
    wrong.close();
    Database reopened =
        Database::open(otherBook, schema::databasePassword(), Database::RememberKey::BesideTheFile);
    QVERIFY(reopened.hasTable(QStringLiteral("parcelbook")));
    QVERIFY(wrong.open(QIODevice::ReadOnly));
    QCOMPARE(wrong.readAll().trimmed(),
             print + ' ' +
                 derivedkeys::derive(schema::databasePassword().toUtf8(), derivedkeys::saltOf(otherBook)));
}

void StoreTest::derivedKeys_memoIsReadOnlyFromARegularFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("regular file, or none yet") << "regular";
    QTest::newRow("pipe") << "fifo";
    QTest::newRow("link to a pipe") << "link";
    QTest::newRow("folder") << "folder";
}

void StoreTest::derivedKeys_memoIsReadOnlyFromARegularFile() {
    QFETCH(QString, kind);
    TempProgramFolder folder;
    const QString book = folder.databasePath();
    const QString memo = derivedkeys::memoFile(QFileInfo(book).absolutePath());
    const QString pipe = kind == QStringLiteral("link") ? folder.path() + QStringLiteral("/pipe") : memo;
    if (kind == QStringLiteral("folder")) {
        QVERIFY(QDir().mkdir(memo));
    } else {
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(pipe == memo || QFile::link(pipe, memo));
    }
    derivedkeys::forget(schema::databasePassword().toUtf8(), derivedkeys::saltOf(book));
    std::future<qsizetype> opening = std::async(std::launch::async, [&book] {
        Database db = Database::open(book, schema::databasePassword(), Database::RememberKey::BesideTheFile);
        return must(ParcelStore(db).all()).size();
    });
    const bool inTime = opening.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!inTime) {
        // A writer lets a reader stuck on the pipe go, so the test ends either way.
        ::close(::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK));
    }
    QCOMPARE(opening.get(), qsizetype(0));
    QVERIFY(inTime);
    // Mended into a regular file with the key in it; a folder is left as it was.
    QCOMPARE(QFileInfo(memo).isDir(), kind == QStringLiteral("folder"));
    if (kind != QStringLiteral("folder")) {
        QVERIFY(QFileInfo(memo).isFile() && !QFileInfo(memo).isSymLink());
        QCOMPARE(bytesOf(memo).trimmed().split(' ').value(1),
                 derivedkeys::derive(schema::databasePassword().toUtf8(), derivedkeys::saltOf(book)));
    }
}

void StoreTest::places_userFolderNeedsAnAbsoluteHome_data() {
    QTest::addColumn<QString>("dataHome");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("folder");
    QTest::newRow("data home") << "/d/share"
                               << "/home/u"
                               << "/d/share/parcelbook";
    QTest::newRow("relative data home ignored") << "share"
                                                << "/home/u"
                                                << "/home/u/.local/share/parcelbook";
    QTest::newRow("no data home") << ""
                                  << "/home/u/"
                                  << "/home/u/.local/share/parcelbook";
    QTest::newRow("no home") << ""
                             << ""
                             << "";
    QTest::newRow("relative home") << "share"
                                   << "u"
                                   << "";
}

void StoreTest::places_userFolderNeedsAnAbsoluteHome() {
    QFETCH(QString, dataHome);
    QFETCH(QString, home);
    QFETCH(QString, folder);
    QCOMPARE(programfolder::userDataFolder(dataHome, home), folder);
    const programfolder::Places places =
        programfolder::resolve(QString(), QStringLiteral("/nonexistent/bin"), folder);
    QCOMPARE(places.book, folder);
    if (folder.isEmpty()) {
        const Outcome<> provided = programfolder::provideBook(places);
        QVERIFY(!provided && provided.failure().reason.contains(QStringLiteral("HOME")));
    }
}

#include "tst_store.moc"
