// The window for keyboard and assistive-technology users: where the focus lands, choosing a company
// from the keyboard, the focused toolbar icon, a name on every control a person can act on, and
// outside text shown as text in every widget.
#include "overview/OverviewModel.h"
#include "shell/MessageDialogs.h"
#include "support/HttpStub.h"
#include "support/WindowHarness.h"
#include "widgets/Page.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTextDocument>

using harness::Harness;

namespace {

// Roles of the controls a person acts on; item views are checked as a whole, not cell by cell.
bool takesInput(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Dial:
    case QAccessible::PageTab:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonMenu:
    case QAccessible::Link:
        return true;
    default:
        return false;
    }
}

// Controls whose accessible name falls back to their value: only a name given to them names them.
bool namedByValue(QAccessible::Role role) {
    return role == QAccessible::ComboBox || role == QAccessible::SpinBox || role == QAccessible::Slider ||
           role == QAccessible::Dial;
}

// Every visible control below `node` that takes input and has no name, as "objectName (class)".
void collectNameless(QAccessibleInterface *node, QStringList &nameless, int &checked) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible) {
            continue;
        }
        if (takesInput(child->role())) {
            ++checked;
            const QObject *object = child->object();
            const auto *widget = qobject_cast<const QWidget *>(object);
            if (child->text(QAccessible::Name).trimmed().isEmpty() ||
                (namedByValue(child->role()) && (!widget || widget->accessibleName().isEmpty()))) {
                nameless.append(
                    object ? QStringLiteral("%1 (%2)").arg(
                                 object->objectName(), QString::fromLatin1(object->metaObject()->className()))
                           : QStringLiteral("role %1").arg(int(child->role())));
            }
            continue;
        }
        collectNameless(child, nameless, checked);
    }
}

// What a tooltip shows: Qt reads it as markup whenever it looks like markup.
QString shownAsToolTip(const QString &tip) {
    if (!Qt::mightBeRichText(tip)) {
        return tip;
    }
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

// Walks every widget for labels and tooltips holding `trace` (a piece of `markup` that escaping
// keeps): each must show `markup` as text. Returns where it is obeyed; `seen` names where it was found.
QStringList obeyedMarkup(const QString &markup, const QString &trace, QStringList &seen) {
    QStringList obeyed;
    const auto checkToolTip = [&](const QString &where, const QString &tip) {
        if (tip.contains(trace)) {
            seen.append(where);
            if (!shownAsToolTip(tip).contains(markup)) {
                obeyed.append(where);
            }
        }
    };
    for (QWidget *widget : QApplication::allWidgets()) {
        const QString name = widget->objectName().isEmpty() && widget->parentWidget()
                                 ? widget->parentWidget()->objectName() + QStringLiteral("/")
                                 : widget->objectName();
        if (const auto *label = qobject_cast<const QLabel *>(widget);
            label && label->text().contains(trace)) {
            if (name == QStringLiteral("qtooltip_label")) {
                checkToolTip(name, label->text());
            } else {
                seen.append(name);
                // Plain by rule, not by Qt's guess, which looks at the first line only.
                if (label->textFormat() != Qt::PlainText) {
                    obeyed.append(name);
                }
            }
        }
        checkToolTip(name + QStringLiteral(" tooltip"), widget->toolTip());
        if (const auto *view = qobject_cast<const QAbstractItemView *>(widget); view && view->model()) {
            const QAbstractItemModel *model = view->model();
            for (int row = 0; row < model->rowCount(); ++row) {
                for (int column = 0; column < model->columnCount(); ++column) {
                    checkToolTip(name + QStringLiteral(" cell tooltip"),
                                 model->data(model->index(row, column), Qt::ToolTipRole).toString());
                }
            }
        }
    }
    return obeyed;
}

} // namespace

class AccessTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyControlHasAName_andTheCaptionButtonsArePressable();
    void keyboard_focusDirectoryAndToolbar();
    void hostileAnswer_noWidgetRendersMarkup();
};

void AccessTest::initTestCase() {
    // Nothing listens on the discard port: the start-up check fails at once and the window opens.
    for (const char *name : {"PARCELBOOK_SITE_URL", "PARCELBOOK_TRACKING_URL", "PARCELBOOK_RECOGNITION_URL",
                             "PARCELBOOK_TIME_URL", "PARCELBOOK_PROBE_URL"}) {
        qputenv(name, "http://127.0.0.1:9");
    }
    QAccessible::setActive(true);
}

void AccessTest::everyControlHasAName_andTheCaptionButtonsArePressable() {
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"),
                       QStringLiteral("爸爸衣服"));
    h.openReady();
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(h.window.get());
    QVERIFY(window);

    // The window alone, then with each page open in turn.
    QStringList nameless;
    int checked = 0;
    collectNameless(window, nameless, checked);
    const int onWindowAlone = checked;
    const QList<Page *> pages = h.window->findChildren<Page *>();
    QVERIFY(pages.size() >= 6);
    for (Page *page : pages) {
        for (Page *other : pages) {
            other->hide();
        }
        page->show();
        collectNameless(window, nameless, checked);
    }
    nameless.removeDuplicates();
    QVERIFY2(nameless.isEmpty(), qPrintable(QStringLiteral("without a name: ") + nameless.join(u", ")));
    // The seven icons, the picker, the list and the two caption buttons at least.
    QVERIFY2(onWindowAlone >= 11, qPrintable(QString::number(onWindowAlone)));
    QVERIFY(checked > onWindowAlone + 20);

    // The caption buttons are buttons to assistive technology, and pressing them acts.
    const auto captionButton = [&](const char *name) {
        return QAccessible::queryAccessibleInterface(h.child<QAbstractButton>(QString::fromLatin1(name)));
    };
    QAccessibleInterface *minimise = captionButton("minimiseButton");
    QCOMPARE(minimise->role(), QAccessible::PushButton);
    QCOMPARE(minimise->text(QAccessible::Name), QStringLiteral("最小化"));
    QAccessibleInterface *close = captionButton("closeButton");
    QCOMPARE(close->text(QAccessible::Name), QStringLiteral("关闭"));
    minimise->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    TRY_VERIFY(h.window->isMinimized());
    QCOMPARE(h.fake.desktop.quits, 0);
    h.window->showNormal();
    close->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    TRY_COMPARE(h.fake.desktop.quits, 1);
}

void AccessTest::keyboard_focusDirectoryAndToolbar() {
    Harness h;
    h.openReady();
    QWidget *addPage = h.page(0);
    auto *numberBox = h.child<QComboBox>(QStringLiteral("Text3"));
    auto *company = h.child<QPushButton>(QStringLiteral("Command1_12"));

    // An empty book opens the add page by itself; typing goes into the number box without a Tab.
    QVERIFY(addPage->isVisible());
    QCOMPARE(QApplication::focusWidget(), numberBox);
    for (const char key : {'3', '1', '0', '1'}) {
        QTest::keyClick(h.window->windowHandle(), key);
    }
    QCOMPARE(numberBox->currentText(), QStringLiteral("3101"));
    // And again when the toolbar opens it.
    h.key(Qt::Key_Escape);
    h.list()->setFocus();
    QTest::mouseClick(h.icon(3), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), numberBox);

    // Enter or Space on a directory row chooses that company, as a double click does.
    QTest::mouseClick(company, Qt::LeftButton);
    auto *directory = h.child<QTreeWidget>(QStringLiteral("ListView2"));
    QVERIFY(directory->isVisible());
    QVERIFY(directory->topLevelItemCount() > 3);
    const struct {
        int row;
        Qt::Key key;
    } choices[] = {{2, Qt::Key_Return}, {3, Qt::Key_Space}, {1, Qt::Key_Enter}};
    for (const auto &choice : choices) {
        QTest::mouseClick(company, Qt::LeftButton);
        directory->setFocus();
        directory->setCurrentItem(directory->topLevelItem(choice.row));
        QTest::keyClick(directory, choice.key);
        QCOMPARE(company->text(), directory->topLevelItem(choice.row)->text(1));
        QVERIFY(!directory->isVisible());
        QVERIFY(addPage->isVisible());
    }

    // The focused toolbar icon looks different from the same icon without the focus.
    QToolButton *search = h.icon(4);
    h.list()->setFocus();
    const QImage unfocused = search->grab().toImage();
    search->setFocus(Qt::TabFocusReason);
    QVERIFY(search->hasFocus());
    QVERIFY(search->grab().toImage() != unfocused);
    h.list()->setFocus();
    QCOMPARE(search->grab().toImage(), unfocused);

    // The caption buttons are reached by Tab, lit while focused, and Space presses them.
    auto *minimise = h.child<QAbstractButton>(QStringLiteral("minimiseButton"));
    const QImage plain = minimise->grab().toImage();
    minimise->setFocus(Qt::TabFocusReason);
    QVERIFY(minimise->grab().toImage() != plain);
    QTest::keyClick(minimise, Qt::Key_Space);
    QVERIFY(h.window->isMinimized());
    QCOMPARE(h.fake.desktop.quits, 0);
}

void AccessTest::hostileAnswer_noWidgetRendersMarkup() {
    HttpStub stub;
    QVERIFY(stub.listen());
    qputenv("PARCELBOOK_TRACKING_URL", stub.baseUrl().toUtf8());
    const auto restore = qScopeGuard([] { qputenv("PARCELBOOK_TRACKING_URL", "http://127.0.0.1:9"); });
    // A heading, a live link and a local image, in the goods and in what the service answers.
    const QString markup =
        QStringLiteral("<h1>大字</h1><a href=http://127.0.0.1:9/>链接</a><img src=/etc/hosts>");
    const QString trace = QStringLiteral("/etc/hosts");
    stub.answer(QStringLiteral("/"), harness::answerWith({{QStringLiteral("2026-12-08 08:00:00"), markup},
                                                          {QStringLiteral("2026-12-07 08:00:00"), markup}}));
    stub.delay(QStringLiteral("/"), 200);
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), markup);
    h.openReady();
    h.child<QCheckBox>(QStringLiteral("Check6"))->setChecked(true);
    QStringList seen;
    QStringList obeyed;

    // While the query runs the hint line names the goods; then the list, a balloon and the large view.
    h.pick(0);
    obeyed += obeyedMarkup(markup, trace, seen);
    TRY_COMPARE(h.list()->topLevelItemCount(), 2);
    const QPoint row = h.list()->visualItemRect(h.list()->topLevelItem(0)).center();
    QTest::mouseClick(h.list()->viewport(), Qt::LeftButton, {}, row);
    obeyed += obeyedMarkup(markup, trace, seen);
    QTest::mousePress(h.list()->viewport(), Qt::RightButton, {}, row);
    obeyed += obeyedMarkup(markup, trace, seen);
    QTest::mouseClick(h.child<QWidget>(QStringLiteral("Picture5")), Qt::LeftButton);

    // The overview's newest progress, as a model's tooltip and as the tooltip Qt shows for it.
    h.key(Qt::Key_F2);
    auto *table = h.child<QTableView>(QStringLiteral("overviewTable"));
    TRY_VERIFY(table->model()->rowCount() == 1 &&
               table->model()->index(0, OverviewModel::Newest).data().toString() == markup);
    const QRect cell = table->visualRect(table->model()->index(0, OverviewModel::Newest));
    QHelpEvent help(QEvent::ToolTip, cell.center(), table->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(table->viewport(), &help);
    obeyed += obeyedMarkup(markup, trace, seen);
    h.key(Qt::Key_Escape);

    // The services dialog quotes the result code a service answers.
    stub.answer(QStringLiteral("/"), harness::codeAnswer("9<img src=/etc/hosts>"));
    h.key(Qt::Key_F9);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("servicesButton")), Qt::LeftButton);
    auto *dialog = h.window->findChild<QDialog *>(QStringLiteral("servicesDialog"));
    QVERIFY(dialog);
    dialog->findChild<QLineEdit *>(QStringLiteral("trackingAddress"))->setText(stub.baseUrl());
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("testButton")), Qt::LeftButton);
    TRY_VERIFY(dialog->findChild<QLabel *>(QStringLiteral("testVerdict"))->text().contains(trace));
    obeyed += obeyedMarkup(QStringLiteral("<img src=/etc/hosts>"), trace, seen);
    dialog->reject();

    // A message box with the goods in it.
    MessageDialogs dialogs;
    dialogs.setParentWindow(h.window.get());
    QTimer::singleShot(0, [&] {
        obeyed += obeyedMarkup(markup, trace, seen);
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            box->accept();
        }
    });
    dialogs.inform(QStringLiteral("岚舟系列软件"), QStringLiteral("快递【") + markup + QStringLiteral("】"),
                   MessageIcon::Information);

    obeyed.removeDuplicates();
    QVERIFY2(obeyed.isEmpty(), qPrintable(QStringLiteral("markup obeyed in: ") + obeyed.join(u", ")));
    seen.removeDuplicates();
    for (const char *where : {"Label11_2", "balloonTip/", "Label23", "overviewTable cell tooltip",
                              "qtooltip_label", "testVerdict", "qt_msgbox_label"}) {
        QVERIFY2(seen.contains(QLatin1String(where)),
                 qPrintable(QLatin1String(where) + QStringLiteral(" not reached: ") + seen.join(u", ")));
    }
}

QTEST_MAIN(AccessTest)
#include "tst_access.moc"
