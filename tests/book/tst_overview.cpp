// The page "全部快递" through the real window: order, marks and filter over progress stored in the book,
// picking a parcel from it, the watch's preferences and the systemd timer button.
#include "overview/OverviewModel.h"
#include "store/ProgressStore.h"
#include "support/HttpStub.h"
#include "support/Must.h"
#include "support/WindowHarness.h"
#include "widgets/ParcelPicker.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>

using harness::answerWith;
using harness::Harness;

namespace {

QTableView *table(const Harness &h) {
    return h.child<QTableView>(QStringLiteral("overviewTable"));
}

QString cell(const Harness &h, int row, int column) {
    const QAbstractItemModel *model = table(h)->model();
    return model->data(model->index(row, column)).toString();
}

// The goods column from top to bottom, unseen marks included.
QStringList goodsColumn(const Harness &h) {
    QStringList goods;
    for (int row = 0; row < table(h)->model()->rowCount(); ++row) {
        goods.append(cell(h, row, 0));
    }
    return goods;
}

void chooseFilter(const Harness &h, const QString &caption) {
    auto *filter = h.child<QComboBox>(QStringLiteral("overviewFilter"));
    const int index = filter->findText(caption);
    QVERIFY(index >= 0);
    filter->setCurrentIndex(index);
    Q_EMIT filter->activated(index);
}

// A stand-in for systemctl that notes its arguments and answers as told.
void writeSystemctl(const QTemporaryDir &dir, const QByteArray &answer) {
    QFile script(dir.filePath(QStringLiteral("systemctl")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    // PATH holds only this folder, so the script uses nothing but the shell's own commands.
    script.write("#!/bin/sh\necho \"$@\" > '" + dir.filePath(QStringLiteral("arguments")).toUtf8() + "'\n" +
                 answer + "\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

} // namespace

class OverviewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void overview_sortsMarksFiltersAndPicks();
    void overview_storesTheWatchAndEnablesTheBootTimer();
    void watch_showsNewsOfTheParcelOnScreenInPlace();
    void overview_followsWhatTheWatchStores();

private:
    HttpStub m_stub;
};

void OverviewTest::initTestCase() {
    QVERIFY(m_stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", m_stub.baseUrl().toUtf8());
    qputenv("PARCELBOOK_SITE_URL", (m_stub.baseUrl() + QStringLiteral("/site")).toUtf8());
    m_stub.answer(QStringLiteral("/site/version/gx.txt"), "V5.0");
    m_stub.answer(QStringLiteral("/site/data/tg.txt"), "公告|http://127.0.0.1/");
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
}

void OverviewTest::overview_sortsMarksFiltersAndPicks() {
    Harness h;
    const QString company = QStringLiteral("圆通速递");
    const QStringList goods = {QStringLiteral("爸爸衣服"), QStringLiteral("妈妈鞋子"), QStringLiteral("旧书"),
                               QStringLiteral("台灯"), QStringLiteral("茶叶")};
    for (int i = 0; i < goods.size(); ++i) {
        h.folder.addParcel(company, QStringLiteral("310123456789%1").arg(i), goods[i]);
    }
    h.openReady();
    const auto idOf = [&h](const QString &name) {
        return must(ParcelStore(h.book()).byGoods(name)).value(0).id;
    };
    const ParcelId older = idOf(goods[0]);
    const ParcelId newer = idOf(goods[1]);
    const ParcelId signedFor = idOf(goods[2]);
    const ParcelId stalled = idOf(goods[4]);
    ProgressStore progress(h.book());
    const QDateTime checked(QDate(2026, 12, 8), QTime(9, 30));
    must(progress.record(older,
                         {QStringLiteral("运送中"),
                          QStringLiteral("已到达幸福里驿站,请凭取件码 8-2-1234 取件"),
                          QStringLiteral("2026-12-07 20:00:00"),
                          checked,
                          {}},
                         false));
    must(progress.record(newer,
                         {QStringLiteral("派件中"),
                          QStringLiteral("正在派件"),
                          QStringLiteral("2026-12-08 08:00:00"),
                          checked,
                          {}},
                         true));
    // Signed for later than every other entry, and still at the end.
    must(progress.record(signedFor,
                         {QStringLiteral("已签收"),
                          QStringLiteral("已签收，感谢使用"),
                          QStringLiteral("2026-12-08 09:00:00"),
                          checked,
                          {}},
                         false));
    must(progress.record(stalled,
                         {QStringLiteral("运送中"),
                          QStringLiteral("到达转运中心"),
                          QStringLiteral("2026-12-01 08:00:00"),
                          checked,
                          {}},
                         false));

    QVERIFY(!h.pageShown(5));
    h.key(Qt::Key_F2);
    QVERIFY(h.pageShown(5));
    QCOMPARE(h.child<QComboBox>(QStringLiteral("overviewFilter"))->currentText(), QStringLiteral("全部"));
    QCOMPARE(goodsColumn(h),
             (QStringList{QStringLiteral("● 妈妈鞋子"), QStringLiteral("爸爸衣服"), QStringLiteral("茶叶"),
                          QStringLiteral("台灯"), QStringLiteral("旧书")}));
    QVERIFY(table(h)->model()->data(table(h)->model()->index(0, 3), Qt::FontRole).value<QFont>().bold());
    QVERIFY(!table(h)->model()->data(table(h)->model()->index(1, 3), Qt::FontRole).value<QFont>().bold());
    QCOMPARE((QStringList{cell(h, 0, 1), cell(h, 0, 2), cell(h, 0, 3), cell(h, 0, 4), cell(h, 0, 5),
                          cell(h, 0, 6)}),
             (QStringList{QStringLiteral("3101234567891"), company, QStringLiteral("派件中"),
                          QStringLiteral("预计 12月8日 送达"), QStringLiteral("正在派件"),
                          QStringLiteral("2026-12-08 08:00:00")}));
    QCOMPARE(cell(h, 1, 3), QStringLiteral("运送中"));
    QCOMPARE(cell(h, 1, OverviewModel::PickupOrEstimate), QStringLiteral("取件码 8-2-1234"));
    QCOMPARE(cell(h, 2, 3), QStringLiteral("已7天没有新进展"));
    QCOMPARE(cell(h, 3, 3), QStringLiteral("未查询"));
    QCOMPARE(cell(h, 4, 3), QStringLiteral("已签收"));

    chooseFilter(h, QStringLiteral("已签收"));
    QCOMPARE(goodsColumn(h), QStringList{QStringLiteral("旧书")});
    chooseFilter(h, QStringLiteral("进行中"));
    QCOMPARE(goodsColumn(h), (QStringList{QStringLiteral("● 妈妈鞋子"), QStringLiteral("爸爸衣服"),
                                          QStringLiteral("茶叶"), QStringLiteral("台灯")}));

    // Esc hides the page; F2 brings it back over the same book.
    h.key(Qt::Key_Escape);
    QVERIFY(!h.pageShown(5));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      {});
    QApplication::sendEvent(h.child<QLabel>(QStringLiteral("Label16_2")), &press);
    QVERIFY(h.pageShown(5));

    // A search left the picker without the parcel: Enter lists the book again and picks it.
    auto *picker = h.child<ParcelPicker>(QStringLiteral("Text1"));
    picker->showRows({});
    table(h)->setCurrentIndex(table(h)->model()->index(0, 0));
    QTest::keyClick(table(h), Qt::Key_Return);
    QVERIFY(!h.pageShown(5));
    QCOMPARE(picker->currentId(), std::optional<ParcelId>(newer));
    QCOMPARE(h.picker()->currentText(), QStringLiteral("妈妈鞋子"));
    TRY_COMPARE(h.hint(), QStringLiteral("查询完毕..."));
    QCOMPARE(h.field(2), QStringLiteral("运送中"));
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("3101234567891"));

    // Shown in the window, its progress is seen: the mark is gone when the page opens again.
    h.key(Qt::Key_F2);
    QCOMPARE(goodsColumn(h).first(), QStringLiteral("妈妈鞋子"));
    QCOMPARE(cell(h, 0, OverviewModel::Newest), harness::inTransit().first().second);

    // During a loop a double-click, even on a signed-for parcel, is refused: the loop keeps its parcel.
    h.key(Qt::Key_F9);
    h.child<QPushButton>(QStringLiteral("Command1_17"))->click();
    h.child<QComboBox>(QStringLiteral("Combo4"))->setCurrentIndex(0);
    h.child<QPushButton>(QStringLiteral("Command1_16"))->click();
    h.key(Qt::Key_F2);
    chooseFilter(h, QStringLiteral("全部"));
    const int asked = m_stub.count(QStringLiteral("/"));
    const QRect signedRow = table(h)->visualRect(table(h)->model()->index(4, 0));
    // A real double-click: QTest's own leaves out the first press.
    QTest::mouseClick(table(h)->viewport(), Qt::LeftButton, {}, signedRow.center());
    QTest::mouseDClick(table(h)->viewport(), Qt::LeftButton, {}, signedRow.center());
    QCOMPARE(h.hint(), QStringLiteral("循环查询或定时查询进行中,请先停止再选择其他快递.."));
    QCOMPARE(picker->currentId(), std::optional<ParcelId>(newer));
    QVERIFY(QMetaObject::invokeMethod(h.timer(QStringLiteral("Timer6")), "timeout"));
    TRY_COMPARE(m_stub.count(QStringLiteral("/")), asked + 1);
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("3101234567891"));
}

void OverviewTest::overview_storesTheWatchAndEnablesTheBootTimer() {
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567895"), QStringLiteral("相机"));
    h.openReady();
    QTimer *watchTimer = h.timer(QStringLiteral("watchTimer"));
    QVERIFY(watchTimer->isActive());
    QCOMPARE(watchTimer->interval(), 30 * 60 * 1000);
    h.key(Qt::Key_F2);
    auto *bootTimer = h.child<QPushButton>(QStringLiteral("watchAtBoot"));
    QVERIFY(!bootTimer->isEnabled());
    QVERIFY(bootTimer->toolTip().contains(QStringLiteral("没有 systemctl")));

    auto *on = h.child<QCheckBox>(QStringLiteral("watchOn"));
    auto *minutes = h.child<QSpinBox>(QStringLiteral("watchMinutes"));
    QVERIFY(on->isChecked());
    QCOMPARE(minutes->value(), 30);
    ProgressStore stored(h.book());
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(!must(stored.watchOn()));
    QTest::mouseClick(on, Qt::LeftButton);
    minutes->setValue(45);
    QVERIFY(must(stored.watchOn()));
    QCOMPARE(must(stored.watchMinutes()), 45);
    QCOMPARE(watchTimer->interval(), 45 * 60 * 1000);
    minutes->setValue(1);
    QCOMPARE(must(stored.watchMinutes()), 5);
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(!watchTimer->isActive());
    QTest::mouseClick(on, Qt::LeftButton);
    QVERIFY(watchTimer->isActive());

    // A tick checks the parcel in the background; the open page shows what the pass stored.
    QCOMPARE(table(h)->model()->data(table(h)->model()->index(0, 3)).toString(), QStringLiteral("未查询"));
    m_stub.clearRequests();
    QVERIFY(QMetaObject::invokeMethod(watchTimer, "timeout"));
    QTRY_VERIFY(!m_stub.requests(QStringLiteral("/")).isEmpty());
    QVERIFY(m_stub.requests(QStringLiteral("/")).last().target.contains("3101234567895"));
    // The window stays free while the pass runs: nothing is locked.
    QVERIFY(h.picker()->isEnabled());
    QVERIFY(h.toolbarEnabled(1));
    QVERIFY(!h.busy());
    TRY_COMPARE(table(h)->model()->data(table(h)->model()->index(0, 3)).toString(), QStringLiteral("运送中"));
    QVERIFY(h.picker()->isEnabled());

    // Found on the next opening; what the service manager says is reported in Chinese (systemctl's
    // words go to the log).
    writeSystemctl(bin, "echo 'Failed to connect to bus' >&2\nexit 1");
    h.key(Qt::Key_Escape);
    h.key(Qt::Key_F2);
    QVERIFY(bootTimer->isEnabled());
    QTest::mouseClick(bootTimer, Qt::LeftButton);
    TRY_VERIFY(h.hint().startsWith(QStringLiteral("本机没有用户服务管理器")));
    QFile arguments(bin.filePath(QStringLiteral("arguments")));
    QVERIFY(arguments.open(QIODevice::ReadOnly));
    QCOMPARE(arguments.readAll().trimmed(), QByteArray("--user enable --now parcelbook-watch.timer"));
    writeSystemctl(bin, "case \"$2\" in is-enabled) echo enabled;; is-active) echo active;; esac");
    QTRY_VERIFY(bootTimer->isEnabled());
    QTest::mouseClick(bootTimer, Qt::LeftButton);
    TRY_VERIFY(h.hint().startsWith(QStringLiteral("已启用开机后台检查")));
    qputenv("PATH", path);

    // A pass whose answer the book does not keep says so on the hint line.
    for (const char *event : {"INSERT", "UPDATE"}) {
        h.book().exec(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %1 ON progress BEGIN "
                                     "SELECT RAISE(ABORT, 'refused'); END")
                          .arg(QLatin1StringView(event)));
    }
    QVERIFY(QMetaObject::invokeMethod(watchTimer, "timeout"));
    TRY_COMPARE(h.hint().section(QLatin1Char('!'), 0, 0),
                QStringLiteral("后台检查:快递【相机】更新记录保存失败"));
}

// A pass that stores news of the parcel on screen shows it from the book: the half-typed add page
// stays open, nothing is locked, and the parcel is not asked about a second time.
void OverviewTest::watch_showsNewsOfTheParcelOnScreenInPlace() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567895"), QStringLiteral("相机"));
    h.openReady();
    h.pick(0);
    TRY_COMPARE(h.list()->topLevelItemCount(), 3);
    h.key(Qt::Key_F4);
    auto *numberBox = h.child<QComboBox>(QStringLiteral("Text3"));
    numberBox->setFocus();
    QTest::keyClicks(numberBox, QStringLiteral("9876543210"));
    QList<QPair<QString, QString>> grown = harness::inTransit();
    grown.prepend({QStringLiteral("2026-12-08 12:00:00"), QStringLiteral("【杭州市】快件已到达 西湖营业部")});
    m_stub.answer(QStringLiteral("/"), answerWith(grown));
    m_stub.clearRequests();
    QVERIFY(QMetaObject::invokeMethod(h.timer(QStringLiteral("watchTimer")), "timeout"));
    TRY_COMPARE(h.list()->topLevelItemCount(), 4);
    QCOMPARE(h.list()->topLevelItem(0)->text(2), grown[0].second);
    QCOMPARE(h.field(3), QStringLiteral("有更新"));
    QVERIFY(h.pageShown(0));
    QCOMPARE(numberBox->currentText(), QStringLiteral("9876543210"));
    QVERIFY(!h.busy());
    QCOMPARE(m_stub.count(QStringLiteral("/")), 1);
    m_stub.answer(QStringLiteral("/"), answerWith(harness::inTransit()));
}

void OverviewTest::overview_followsWhatTheWatchStores() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567895"), QStringLiteral("相机"));
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567896"), QStringLiteral("镜头"));
    h.openReady();
    h.key(Qt::Key_F2);
    QCOMPARE((QStringList{cell(h, 0, 3), cell(h, 1, 3)}), QStringList(2, QStringLiteral("未查询")));
    table(h)->setCurrentIndex(table(h)->model()->index(1, 0));
    const QString selected = cell(h, 1, 0);
    QVERIFY(QMetaObject::invokeMethod(h.timer(QStringLiteral("watchTimer")), "timeout"));
    // The page reads the book again once the pass has stored, the user's selection kept.
    TRY_VERIFY(h.timer(QStringLiteral("overviewFollow"))->isActive());
    TRY_COMPARE((QStringList{cell(h, 0, 3), cell(h, 1, 3)}), QStringList(2, QStringLiteral("运送中")));
    QCOMPARE(cell(h, 0, OverviewModel::Newest), harness::inTransit().first().second);
    // Now marked "●" as news the user has not seen.
    QCOMPARE(cell(h, table(h)->currentIndex().row(), 0), QStringLiteral("● ") + selected);
}

QTEST_MAIN(OverviewTest)
#include "tst_overview.moc"
