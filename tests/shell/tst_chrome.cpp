// The window's own frame through the real window: the painted skin, the caption buttons, moving by
// the title band, the links, the hover colours and the locked list headers.
#include "shell/WindowChrome.h"
#include "support/WindowHarness.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QWindow>

#include <array>

using harness::Harness;

namespace {

constexpr int sw = 770;
constexpr int sh = 517;
const QString site = QStringLiteral("http://127.0.0.1:9/site");
const QString makerSite = QStringLiteral("http://127.0.0.1:9/maker");
const QColor grey(192, 192, 192);
const QColor white(255, 255, 255);
const QColor purple(166, 0, 169);

using State = WindowChrome::ButtonState;

// The skin's picture as drawn, from the PNG the program's pictures are made of.
QImage skin(const char *name) {
    return QImage(QStringLiteral(PARCELBOOK_RESOURCES "/") + QString::fromLatin1(name) +
                  QStringLiteral(".png"))
        .convertToFormat(QImage::Format_ARGB32);
}

QRgb rgb(const QImage &image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

// The first pixel of `target` in the shot that differs from the source picture laid over it (each
// source point repeated `stretch` times), or an empty string.
QString differenceIn(const QImage &shot, QRect target, const QImage &source, QPoint sourceTopLeft,
                     QSize stretch = {1, 1}) {
    for (int y = target.top(); y <= target.bottom(); ++y) {
        for (int x = target.left(); x <= target.right(); ++x) {
            const QPoint from = sourceTopLeft + QPoint((x - target.left()) / stretch.width(),
                                                       (y - target.top()) / stretch.height());
            if (rgb(shot, x, y) != rgb(source, from.x(), from.y())) {
                return QStringLiteral("(%1,%2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(rgb(shot, x, y), 6, 16)
                    .arg(rgb(source, from.x(), from.y()), 6, 16);
            }
        }
    }
    return QString();
}

QWindow *handle(const Harness &h) {
    return h.window->windowHandle();
}

// A point of a child control in the window's coordinates.
QPoint inWindow(const Harness &h, const QWidget *widget, QPoint at) {
    return widget->mapTo(h.window.get(), at);
}

QColor textColour(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

// Whether the label's drawn text uses exactly this colour somewhere.
bool drawnIn(QLabel *label, const QColor &colour) {
    const QImage image = label->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour.rgba()) {
                return true;
            }
        }
    }
    return false;
}

// Handles this process holds on the file: the lock and, while it is open, the database connection.
int openHandles(const QString &path) {
    const QString file = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QFileInfoList links =
        QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System);
    for (const QFileInfo &link : links) {
        if (link.symLinkTarget() == file) {
            ++count;
        }
    }
    return count;
}

} // namespace

class ChromeTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void skin_isPaintedAroundTheWhiteClientArea();
    void buttons_showHoverAndPressedPictures();
    void titleBand_movesTheWindowOnlyDownToItsLastRow();
    void release_minimisesOrEndsTheProgram();
    void links_openTheSites();
    void colours_followThePointer();
    void headers_keepTheirWidths();

private:
    // The window with its start-up check held back, so that nothing but the chrome acts.
    static void open(Harness &h);
    static WindowChrome *chrome(const Harness &h);
};

void ChromeTest::initTestCase() {
    // Nothing listens on the discard port; the links are only handed to the fake desktop.
    qputenv("PARCELBOOK_SITE_URL", site.toUtf8());
    qputenv("PARCELBOOK_MAKER_URL", makerSite.toUtf8());
    qputenv("PARCELBOOK_TRACKING_URL", "http://127.0.0.1:9");
    qputenv("PARCELBOOK_TIME_URL", "http://127.0.0.1:9");
    qputenv("PARCELBOOK_PROBE_URL", "http://127.0.0.1:9");
}

void ChromeTest::open(Harness &h) {
    // A book with a parcel opens no page at start, so the skin shows bare.
    h.folder.addParcel(QStringLiteral("圆通速递"), QStringLiteral("3101234567890"), QStringLiteral("衣服"));
    h.open();
    h.timer(QStringLiteral("Timer3"))->stop();
}

WindowChrome *ChromeTest::chrome(const Harness &h) {
    auto *found = h.window->findChild<WindowChrome *>();
    if (!found) {
        qFatal("no window chrome");
    }
    return found;
}

void ChromeTest::skin_isPaintedAroundTheWhiteClientArea() {
    Harness h;
    open(h);
    QVERIFY(h.window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(h.window->size(), QSize(sw, sh));
    const QImage frame = skin("skin_frame");
    const QImage buttons = skin("skin_buttons");
    const QImage logo = skin("skin_logo");
    const QImage shot = h.window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shot.size(), QSize(sw, sh));

    // Column 400 of the band is clear of controls, so it shows the frame's middle strip row by row.
    for (int y = 0; y < 100; ++y) {
        QVERIFY2(!h.window->childAt(400, y), qPrintable(QString::number(y)));
    }
    QString difference = differenceIn(shot, {400, 0, 1, 100}, frame, {6, 0});
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The top corners above the side pieces, the sides, and the bottom edge with its corners.
    const struct {
        QRect target;
        QPoint source;
        QSize stretch;
    } pieces[] = {
        {{0, 0, 6, 68}, {0, 0}, {1, 1}},           {{sw - 6, 0, 6, 68}, {7, 0}, {1, 1}},
        {{0, 68, 3, sh - 73}, {0, 68}, {1, sh}},   {{sw - 3, 68, 3, sh - 73}, {10, 68}, {1, sh}},
        {{0, sh - 5, 6, 5}, {0, 96}, {1, 1}},      {{6, sh - 5, sw - 12, 5}, {6, 96}, {sw, 1}},
        {{sw - 6, sh - 5, 6, 5}, {7, 96}, {1, 1}},
    };
    for (const auto &piece : pieces) {
        difference = differenceIn(shot, piece.target, frame, piece.source, piece.stretch);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
    // Both caption buttons in their normal pictures.
    difference = differenceIn(shot, {sw - 80, 2, 29, 20}, buttons, {0, 0});
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    difference = differenceIn(shot, {sw - 51, 2, 41, 20}, buttons, {29, 0});
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // The logo lies unscaled at (10,16); its opaque pixels cover the band.
    int opaque = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            if (qAlpha(logo.pixel(x, y)) == 255) {
                ++opaque;
                QVERIFY2(rgb(shot, 10 + x, 16 + y) == rgb(logo, x, y),
                         qPrintable(QStringLiteral("logo (%1,%2)").arg(x).arg(y)));
            }
        }
    }
    QVERIFY(opaque > 1000);
    // Below the frame's top part the client area stays white.
    QCOMPARE(rgb(shot, 400, 104), QColor(Qt::white).rgb() & 0xFFFFFF);
    QCOMPARE(rgb(shot, 3, 300), QColor(Qt::white).rgb() & 0xFFFFFF);

    // The title links and the status panel sit on the band and stay light on it.
    for (const QString &name : {QStringLiteral("Label16_0"), QStringLiteral("Label16_1")}) {
        auto *link = h.child<QLabel>(name);
        QVERIFY(link->geometry().bottom() <= 68);
        QCOMPARE(textColour(link), grey);
        QVERIFY(drawnIn(link, grey));
    }
    QVERIFY(h.icon(1)->geometry().top() > 68);
}

void ChromeTest::buttons_showHoverAndPressedPictures() {
    Harness h;
    open(h);
    const QImage buttons = skin("skin_buttons");
    const QRect minimise(sw - 80, 2, 29, 20);
    const QRect close(sw - 51, 2, 41, 20);
    const auto shows = [&](QRect target, QPoint cell) {
        const QString difference = differenceIn(
            h.window->grab().toImage().convertToFormat(QImage::Format_ARGB32), target, buttons, cell);
        if (!difference.isEmpty()) {
            qWarning("%s", qPrintable(difference));
        }
        return difference.isEmpty();
    };
    using States = WindowChrome::ButtonStates;

    QTest::mouseMove(handle(h), {sw - 51, 10});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Hover, State::Normal}));
    QVERIFY(shows(minimise, {0, 21}));
    QVERIFY(shows(close, {29, 0}));
    QTest::mouseMove(handle(h), {sw - 50, 10});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Normal, State::Hover}));
    QVERIFY(shows(minimise, {0, 0}));
    QVERIFY(shows(close, {29, 21}));
    QTest::mouseMove(handle(h), {sw - 10, 22});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Normal, State::Hover}));
    QTest::mouseMove(handle(h), {sw - 9, 22});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Normal, State::Normal}));
    QTest::mouseMove(handle(h), {sw - 80, 2});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Hover, State::Normal}));
    QTest::mouseMove(handle(h), {sw - 51, 23});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Normal, State::Normal}));
    QTest::mouseMove(handle(h), {sw - 60, 1});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Normal, State::Normal}));

    // A left press shows the pressed picture, which stays until the pointer moves again.
    QTest::mouseMove(handle(h), {sw - 51, 10});
    QTest::mousePress(handle(h), Qt::LeftButton, {}, {sw - 51, 10});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Pressed, State::Normal}));
    QVERIFY(shows(minimise, {0, 41}));
    QTest::mouseMove(handle(h), {300, 40});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Normal, State::Normal}));
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, {300, 40});
    QVERIFY(!h.window->isMinimized());

    QTest::mouseMove(handle(h), {sw - 30, 10});
    QTest::mousePress(handle(h), Qt::LeftButton, {}, {sw - 30, 10});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Normal, State::Pressed}));
    QVERIFY(shows(close, {29, 42}));
    QTest::mouseMove(handle(h), {sw - 30, 40});
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, {sw - 30, 40});
    QCOMPARE(h.fake.desktop.quits, 0);

    // Other buttons press nothing.
    QTest::mousePress(handle(h), Qt::RightButton, {}, {sw - 60, 30});
    QTest::mouseRelease(handle(h), Qt::RightButton, {}, {sw - 60, 30});
    QTest::mouseMove(handle(h), {sw - 60, 12});
    QTest::mousePress(handle(h), Qt::RightButton, {}, {sw - 60, 12});
    QCOMPARE(chrome(h)->buttonStates(), (States{State::Hover, State::Normal}));
}

void ChromeTest::titleBand_movesTheWindowOnlyDownToItsLastRow() {
    Harness h;
    open(h);
    const QPoint start = h.window->pos();

    // Offscreen there is no window manager to move the window, so it follows the pointer itself.
    QTest::mousePress(handle(h), Qt::LeftButton, {}, {300, 68});
    QTest::mouseMove(handle(h), {340, 88});
    TRY_COMPARE(h.window->pos(), start + QPoint(40, 20));
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, {300, 68});
    QTest::mouseMove(handle(h), {260, 48});
    QCOMPARE(h.window->pos(), start + QPoint(40, 20));

    const QPoint moved = h.window->pos();
    QTest::mousePress(handle(h), Qt::LeftButton, {}, {300, 69});
    QTest::mouseMove(handle(h), {340, 89});
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, {340, 89});
    QTest::mousePress(handle(h), Qt::RightButton, {}, {300, 30});
    QTest::mouseMove(handle(h), {340, 50});
    QTest::mouseRelease(handle(h), Qt::RightButton, {}, {340, 50});
    // The status panel on the band is a control of its own: a press on it does not move the window.
    const QPoint onPanel = inWindow(h, h.child<QWidget>(QStringLiteral("Picture2")), {100, 12});
    QVERIFY(onPanel.y() <= 68);
    QTest::mousePress(handle(h), Qt::LeftButton, {}, onPanel);
    QTest::mouseMove(handle(h), onPanel + QPoint(40, 20));
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, onPanel + QPoint(40, 20));
    // A press on the minimise button that ends elsewhere neither moves nor minimises.
    QTest::mousePress(handle(h), Qt::LeftButton, {}, {sw - 70, 10});
    QTest::mouseMove(handle(h), {300, 40});
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, {300, 40});
    QTest::qWait(20);
    QCOMPARE(h.window->pos(), moved);
    QVERIFY(!h.window->isMinimized());
    QCOMPARE(h.fake.desktop.quits, 0);
}

void ChromeTest::release_minimisesOrEndsTheProgram() {
    {
        Harness h;
        open(h);
        QTest::mousePress(handle(h), Qt::LeftButton, {}, {sw - 51, 22});
        QTest::mouseRelease(handle(h), Qt::LeftButton, {}, {sw - 51, 22});
        QVERIFY(h.window->isMinimized());
        QVERIFY(h.window->windowState().testFlag(Qt::WindowMinimized));
        QCOMPARE(h.fake.desktop.quits, 0);
    }
    Harness h;
    open(h);
    const QString database = h.folder.databasePath();
    QVERIFY(openHandles(database) >= 2);
    // A release outside the button rows, or beside the buttons, does nothing.
    QTest::mousePress(handle(h), Qt::RightButton, {}, {sw - 30, 23});
    QTest::mouseRelease(handle(h), Qt::RightButton, {}, {sw - 30, 23});
    QTest::mousePress(handle(h), Qt::RightButton, {}, {sw - 9, 10});
    QTest::mouseRelease(handle(h), Qt::RightButton, {}, {sw - 9, 10});
    QCOMPARE(h.fake.desktop.quits, 0);
    QVERIFY(openHandles(database) >= 2);

    // Any button released over the close button ends the program without asking, the database
    // connection closed first; only the single-instance lock stays until the process is gone.
    QTest::mousePress(handle(h), Qt::RightButton, {}, {sw - 30, 10});
    QTest::mouseRelease(handle(h), Qt::RightButton, {}, {sw - 30, 10});
    QCOMPARE(h.fake.desktop.quits, 1);
    QVERIFY(h.fake.dialogs.shown.isEmpty());
    QCOMPARE(openHandles(database), 1);
    QVERIFY(!h.window->isMinimized());
}

void ChromeTest::links_openTheSites() {
    Harness h;
    open(h);
    const QPoint start = h.window->pos();
    auto *siteLink = h.child<QLabel>(QStringLiteral("Label16_0"));
    auto *makerLink = h.child<QLabel>(QStringLiteral("Label11_4"));
    QCOMPARE(siteLink->text(), QStringLiteral("官方网站"));
    QCOMPARE(siteLink->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(makerLink->cursor().shape(), Qt::PointingHandCursor);

    QTest::mousePress(handle(h), Qt::MiddleButton, {}, inWindow(h, siteLink, {10, 8}));
    QTest::mouseRelease(handle(h), Qt::MiddleButton, {}, inWindow(h, siteLink, {10, 8}));
    QCOMPARE(h.fake.desktop.opened, QStringList({site}));
    QTest::mousePress(handle(h), Qt::LeftButton, {}, inWindow(h, makerLink, {10, 8}));
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, inWindow(h, makerLink, {10, 8}));
    QCOMPARE(h.fake.desktop.opened, QStringList({site, makerSite}));
    // A press on the band's link is the link's, not the start of a move.
    QTest::mouseMove(handle(h), inWindow(h, siteLink, {30, 10}));
    QCOMPARE(h.window->pos(), start);
    QVERIFY(!h.pageShown(1));

    // "设置" still opens the settings page.
    auto *settingsLink = h.child<QLabel>(QStringLiteral("Label16_1"));
    QTest::mousePress(handle(h), Qt::LeftButton, {}, inWindow(h, settingsLink, {10, 8}));
    QTest::mouseRelease(handle(h), Qt::LeftButton, {}, inWindow(h, settingsLink, {10, 8}));
    QVERIFY(h.pageShown(1));
    QCOMPARE(h.fake.desktop.opened.size(), 2);
}

void ChromeTest::colours_followThePointer() {
    Harness h;
    open(h);
    auto *siteLink = h.child<QLabel>(QStringLiteral("Label16_0"));
    auto *settingsLink = h.child<QLabel>(QStringLiteral("Label16_1"));

    QTest::mouseMove(handle(h), inWindow(h, siteLink, {20, 8}));
    QCOMPARE(textColour(siteLink), white);
    QCOMPARE(textColour(settingsLink), grey);
    QVERIFY(drawnIn(siteLink, white));
    QTest::mouseMove(handle(h), inWindow(h, settingsLink, {10, 8}));
    QCOMPARE(textColour(settingsLink), white);
    // Leaving one link for the other does not grey the first; only the window's surface does.
    QCOMPARE(textColour(siteLink), white);
    QTest::mouseMove(handle(h), {500, 12});
    QCOMPARE(textColour(siteLink), grey);
    QCOMPARE(textColour(settingsLink), grey);

    h.key(Qt::Key_F12);
    QWidget *directory = h.page(4);
    QVERIFY(directory->isVisible());
    std::array<QLabel *, 11> picks{};
    for (std::size_t i = 0; i < picks.size(); ++i) {
        picks[i] = h.child<QLabel>(QStringLiteral("Label20_%1").arg(i));
    }
    const QColor buttonText = picks[0]->palette().color(QPalette::ButtonText);
    QVERIFY(buttonText != purple);
    const auto lit = [&]() -> qsizetype {
        qsizetype found = -1;
        for (std::size_t i = 0; i < picks.size(); ++i) {
            const QColor colour = textColour(picks[i]);
            if (colour == purple) {
                found = found == -1 ? static_cast<qsizetype>(i) : -2;
            } else if (colour != buttonText) {
                return -3;
            }
        }
        return found;
    };
    QCOMPARE(lit(), -1);

    QCOMPARE(picks[10]->text(), QStringLiteral("EMS"));
    QTest::mouseMove(handle(h), inWindow(h, picks[10], {20, 10}));
    QCOMPARE(lit(), 10);
    QVERIFY(drawnIn(picks[10], purple));
    QTest::mouseMove(handle(h), inWindow(h, picks[10], {30, 12}));
    QCOMPARE(lit(), 10);
    QTest::mouseMove(handle(h), inWindow(h, picks[3], {20, 10}));
    QCOMPARE(lit(), 3);

    // Onto the strip between the picks, then onto the page beside the strip.
    auto *strip = h.child<QWidget>(QStringLiteral("Picture3"));
    const QPoint onStrip = picks[3]->geometry().bottomRight() + QPoint(2, 2);
    QVERIFY(strip->childAt(onStrip) == nullptr);
    QTest::mouseMove(handle(h), inWindow(h, strip, onStrip));
    QCOMPARE(lit(), -1);
    QTest::mouseMove(handle(h), inWindow(h, picks[10], {20, 10}));
    QCOMPARE(lit(), 10);
    const QPoint onPage = strip->geometry().topLeft() - QPoint(8, -20);
    QVERIFY(directory->childAt(onPage) == nullptr);
    QTest::mouseMove(handle(h), inWindow(h, directory, onPage));
    QCOMPARE(lit(), -1);
    QCOMPARE(textColour(siteLink), grey);
}

void ChromeTest::headers_keepTheirWidths() {
    Harness h;
    open(h);
    h.list()->setEnabled(true);
    h.key(Qt::Key_F12);
    for (const QString &name : {QStringLiteral("ListView1"), QStringLiteral("ListView2")}) {
        QHeaderView *header = h.child<QTreeWidget>(name)->header();
        QVERIFY(header->isVisible());
        for (int section = 0; section < header->count(); ++section) {
            QCOMPARE(header->sectionResizeMode(section), QHeaderView::Fixed);
        }
        // Dragging the divider after the first column, then double-clicking it, changes nothing.
        const int width = header->sectionSize(0);
        const QPoint divider(header->sectionViewportPosition(0) + width - 1, header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, divider);
        QTest::mouseMove(header->viewport(), divider + QPoint(40, 0));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, divider + QPoint(40, 0));
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, divider);
        QCOMPARE(header->sectionSize(0), width);
    }
}

QTEST_MAIN(ChromeTest)
#include "tst_chrome.moc"
