// The watch timer switch reports what the service manager says after enabling, from a fake systemctl.
#include "platform/WatchTimerSwitch.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Answers as systemctl --user would, steered by the variables each case sets.
const char fakeSystemctl[] = R"(#!/bin/sh
echo "$*" >>"$FAKE_LOG"
if [ -n "$FAKE_NO_BUS" ]; then
  echo "Failed to connect to bus: No medium found" >&2; exit 1
fi
case "$2" in
  enable) [ -n "$FAKE_ENABLE_SAYS" ] && echo "$FAKE_ENABLE_SAYS" >&2; exit "$FAKE_ENABLE_EXIT" ;;
  is-enabled)
    if [ -z "$FAKE_STATE" ]; then echo "Failed to get unit file state for $3: No such file or directory" >&2; exit 1; fi
    echo "$FAKE_STATE"; [ "$FAKE_STATE" = enabled ] ;;
  is-active) echo "$FAKE_ACTIVE"; [ "$FAKE_ACTIVE" = active ] ;;
esac
)";

} // namespace

class WatchTimerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_bin.isValid());
        QFile script(m_bin.filePath(QStringLiteral("systemctl")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(fakeSystemctl);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", m_bin.path().toLocal8Bit() + ':' + qgetenv("PATH"));
        qputenv("FAKE_LOG", m_bin.filePath(QStringLiteral("log")).toLocal8Bit());
    }

    void enable_reportsWhatTheManagerSays_data() {
        QTest::addColumn<bool>("noBus");
        QTest::addColumn<QString>("enableSays");
        QTest::addColumn<int>("enableExit");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled and running")
            << false << QString() << 0 << u"enabled"_s << u"active"_s << u"已启用开机后台检查："_s << true;
        QTest::newRow("enable failed yet the link was made")
            << false << u"Job for parcelbook-watch.timer failed."_s << 1 << u"enabled"_s << u"active"_s
            << u"已启用开机后台检查："_s << true;
        QTest::newRow("linked, not running") << false << QString() << 0 << u"enabled"_s << u"inactive"_s
                                             << u"系统定时现在没有运行(inactive)"_s << true;
        QTest::newRow("no user manager") << true << QString() << 0 << QString() << QString()
                                         << u"窗口开着时仍会按上面的间隔在后台检查"_s << false;
        QTest::newRow("unit not installed")
            << false << u"Failed to enable unit: Unit file parcelbook-watch.timer does not exist."_s << 1
            << QString() << u"inactive"_s << u"systemctl --user link ~/.local/lib/systemd/user/"_s << false;
        QTest::newRow("masked") << false << u"Failed to enable unit: Unit file is masked."_s << 1
                                << u"masked"_s << u"inactive"_s
                                << u"systemctl --user unmask parcelbook-watch.timer"_s << false;
        QTest::newRow("disabled") << false << QString() << 1 << u"disabled"_s << u"inactive"_s
                                  << u"系统服务管理器说它是 disabled"_s << false;
    }
    void enable_reportsWhatTheManagerSays() {
        QFETCH(bool, noBus);
        QFETCH(QString, enableSays);
        QFETCH(int, enableExit);
        QFETCH(QString, state);
        QFETCH(QString, active);
        QFETCH(QString, sentence);
        QFETCH(bool, enabled);
        qputenv("FAKE_NO_BUS", noBus ? "1" : "");
        qputenv("FAKE_ENABLE_SAYS", enableSays.toLocal8Bit());
        qputenv("FAKE_ENABLE_EXIT", QByteArray::number(enableExit));
        qputenv("FAKE_STATE", state.toLocal8Bit());
        qputenv("FAKE_ACTIVE", active.toLocal8Bit());
        QFile::remove(m_bin.filePath(QStringLiteral("log")));

        QVERIFY(WatchTimerSwitch::available());
        WatchTimerSwitch watchTimer;
        QSignalSpy reported(&watchTimer, &WatchTimerSwitch::reported);
        watchTimer.enable();
        QVERIFY(watchTimer.busy());
        QVERIFY(reported.wait(10000));
        QVERIFY2(reported.at(0).at(0).toString().contains(sentence),
                 qPrintable(reported.at(0).at(0).toString()));
        QCOMPARE(reported.at(0).at(1).toBool(), enabled);
        QVERIFY(!watchTimer.busy());

        QFile log(m_bin.filePath(QStringLiteral("log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray expected = noBus ? "--user enable --now parcelbook-watch.timer\n"
                                          : "--user enable --now parcelbook-watch.timer\n"
                                            "--user is-enabled parcelbook-watch.timer\n"
                                            "--user is-active parcelbook-watch.timer\n";
        QCOMPARE(log.readAll(), expected);
    }

private:
    QTemporaryDir m_bin;
};

QTEST_GUILESS_MAIN(WatchTimerTest)
#include "tst_watchtimer.moc"
