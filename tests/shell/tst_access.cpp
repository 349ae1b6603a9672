// The window for keyboard and assistive-technology users: where the focus lands, choosing a company
// from the keyboard, the focused toolbar icon, a name on every control a person can act on, and
// outside text shown as text in every widget.
#include "overview/OverviewModel.h"
#include "support/HttpStub.h"
#include "support/WindowHarness.h"
#include "widgets/Page.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
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

// Widgets that would render `markup`, found by `trace` (which escaping keeps): a label not plain by rule
// (Qt's guess reads the first line only), or a tooltip that Qt reads as markup and that does not say it.
QStringList obeyedMarkup(const QString &markup, const QString &trace) {
    QStringList obeyed;
    for (QWidget *widget : QApplication::allWidgets()) {
        const auto *label = qobject_cast<const QLabel *>(widget);
        if (label && label->text().contains(trace) && label->textFormat() != Qt::PlainText) {
            obeyed.append(widget->objectName());
        }
        QStringList tips{widget->toolTip()};
        const auto *view = qobject_cast<const QAbstractItemView *>(widget);
        const QAbstractItemModel *model = view ? view->model() : nullptr;
        for (int row = 0; model && row < model->rowCount(); ++row) {
            for (int column = 0; column < model->columnCount(); ++column) {
                tips.append(model->index(row, column).data(Qt::ToolTipRole).toString());
            }
        }
        for (const QString &tip : std::as_const(tips)) {
            QTextDocument shown;
            shown.setHtml(tip);
            if (tip.contains(trace) && Qt::mightBeRichText(tip) && !shown.toPlainText().contains(markup)) {
                obeyed.append(widget->objectName() + QStringLiteral(" tooltip"));
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
    // Opening one page builds the five that wait for their first use.
    QTest::keyClick(h.window.get(), Qt::Key_F7);
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
        QStringLiteral("<h1>大</h1><a href=http://127.0.0.1:9/>链接</a><img src=/etc/hosts>");
    stub.answer(QStringLiteral("/"), harness::answerWith({{QStringLiteral("2026-12-08 08:00:00"), markup}}));
    Harness h;
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), markup);
    h.openReady();
    h.pick(0);
    TRY_COMPARE(h.list()->topLevelItemCount(), 1);
    // The overview's tooltip holds the newest progress, the services dialog's verdict the answer's code.
    h.key(Qt::Key_F2);
    const QAbstractItemModel *overview = h.child<QTableView>(QStringLiteral("overviewTable"))->model();
    TRY_COMPARE(overview->index(0, OverviewModel::Newest).data().toString(), markup);
    stub.answer(QStringLiteral("/"), harness::codeAnswer("9<img src=/etc/hosts>"));
    h.key(Qt::Key_F9);
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("servicesButton")), Qt::LeftButton);
    h.child<QLineEdit>(QStringLiteral("trackingAddress"))->setText(stub.baseUrl());
    QTest::mouseClick(h.child<QPushButton>(QStringLiteral("testButton")), Qt::LeftButton);
    TRY_VERIFY(h.child<QLabel>(QStringLiteral("testVerdict"))->text().contains(QStringLiteral("<img")));
    const QStringList obeyed =
        obeyedMarkup(QStringLiteral("<img src=/etc/hosts>"), QStringLiteral("/etc/hosts"));
    QVERIFY2(obeyed.isEmpty(), qPrintable(QStringLiteral("markup obeyed in: ") + obeyed.join(u", ")));
}

QTEST_MAIN(AccessTest)
#include "tst_access.moc"
