// The real main window over a temporary program folder and fake platform, with the finders and
// gestures the GUI tests share.
#pragma once

#include "shell/MainWindow.h"
#include "store/ParcelStore.h"
#include "support/FakePlatform.h"
#include "support/Must.h"
#include "support/ProgramFolder.h"
#include "support/QuickWait.h"
#include "support/TrackingAnswers.h"
#include "tracker/ParcelTracker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace harness {

struct Harness {
    TempProgramFolder folder;
    FakePlatform fake;
    std::unique_ptr<MainWindow> window;

    template <typename T> T *child(const QString &name) const {
        T *widget = window->findChild<T *>(name);
        if (!widget) {
            // The pages are built when one is first opened, as the settings page is by F9.
            QTest::keyClick(window.get(), Qt::Key_F9);
            QTest::keyClick(window.get(), Qt::Key_Escape);
            widget = window->findChild<T *>(name);
        }
        if (!widget) {
            qFatal("no widget %s", qPrintable(name));
        }
        return widget;
    }
    QWidget *page(int element) const { return child<QWidget>(QStringLiteral("kdmenu_%1").arg(element)); }
    // Whether the page is open; a page the window has not built yet is not.
    bool pageShown(int element) const {
        const auto *shown = window->findChild<QWidget *>(QStringLiteral("kdmenu_%1").arg(element));
        return shown && shown->isVisible();
    }
    QString hint() const { return child<QLabel>(QStringLiteral("Label11_2"))->text(); }
    QString field(int element) const {
        return child<QLabel>(QStringLiteral("Label12_%1").arg(element))->text();
    }
    QComboBox *picker() const { return child<QComboBox>(QStringLiteral("Text1")); }
    QStringList entries() const {
        QStringList items;
        for (int i = 0; i < picker()->count(); ++i) {
            items.append(picker()->itemText(i));
        }
        return items;
    }
    QTreeWidget *list() const { return child<QTreeWidget>(QStringLiteral("ListView1")); }
    QTimer *timer(const QString &name) const { return child<QTimer>(name); }
    // The window's tracker, whose queries each carry their own answer limit.
    const QObject &road() const { return *child<ParcelTracker>(QString()); }
    QToolButton *icon(int element) const {
        return child<QToolButton>(QStringLiteral("Image2_%1").arg(element));
    }
    bool toolbarEnabled(int element) const { return icon(element)->isEnabled(); }
    bool busy() const { return child<QLabel>(QStringLiteral("AniGIF1"))->isVisible(); }

    void open() {
        window = std::make_unique<MainWindow>(fake.platform(), folder.path());
        QVERIFY(window->start());
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    // Opens the window and runs its start-up check at once instead of a second later.
    void openReady() {
        open();
        startupCheck();
        QTRY_VERIFY(picker()->isEnabled());
    }
    void startupCheck() const {
        QVERIFY(QMetaObject::invokeMethod(timer(QStringLiteral("Timer3")), "timeout"));
    }
    // The user picks an entry of the parcel picker.
    void pick(int index) const {
        picker()->setCurrentIndex(index);
        Q_EMIT picker()->activated(index);
    }
    void key(Qt::Key key) const { QTest::keyClick(window.get(), key); }
    // The user turns the mail on and stores this address on the settings page.
    void mailTo(const QString &address) const {
        key(Qt::Key_F9);
        child<QCheckBox>(QStringLiteral("Check2"))->setChecked(true);
        child<QLineEdit>(QStringLiteral("Sendmail"))->setText(address);
        key(Qt::Key_Escape);
    }
    // Every parcel row as stored, in id order.
    // A second connection to the book, opened once: deriving the book's key takes longer than a query.
    Database &book() const {
        if (!m_book) {
            m_book = std::make_unique<Database>(folder.open());
        }
        return *m_book;
    }
    QList<ParcelRow> parcels() const {
        Statement query = book().prepare(
            QStringLiteral("SELECT id, number, company, goods, num FROM parcelbook ORDER BY id"));
        QList<ParcelRow> rows;
        while (query.next()) {
            rows.append(
                {ParcelId(query.integer(0)), query.text(1), query.text(2), query.text(3), query.text(4)});
        }
        return rows;
    }
    QString storedCount(const QString &goods) const {
        return must(ParcelStore(book()).byGoods(goods)).value(0).num;
    }

private:
    mutable std::unique_ptr<Database> m_book;
};

} // namespace harness
