// A second process for the single-instance tests: starts the real main window over a program
// folder with fake dialogs and prints "started" or the first message it would have shown. With
// --hold it keeps the book, its window hidden, and prints "shown" when a second start brings it up.
// With --copies it then closes the window, which waits for the start's copies of the book, and prints
// every message shown and the hint line, one a line ("message: …", "hint: …", line breaks as "\n").
#include "shell/MainWindow.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>

#include <cstdio>

namespace {

void say(const QString &text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

class ShowReporter final : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show) {
            say(QStringLiteral("shown"));
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs("usage: parcelbook-instance-probe <program folder> [--hold | --copies]\n", stderr);
        return 2;
    }
    FakePlatform fake;
    MainWindow window(fake.platform(), arguments.at(1));
    const bool started = window.start();
    say(started ? QStringLiteral("started") : fake.dialogs.texts().value(0));
    if (started && arguments.contains(QStringLiteral("--hold"))) {
        ShowReporter reporter;
        window.installEventFilter(&reporter);
        return QApplication::exec();
    }
    if (arguments.contains(QStringLiteral("--copies"))) {
        if (started) {
            window.show();
            window.close();
            // What the copies found comes back through the window's event queue.
            QCoreApplication::processEvents();
        }
        for (const QString &text : fake.dialogs.texts()) {
            say(QStringLiteral("message: ") +
                QString(text).replace(QLatin1Char('\n'), QStringLiteral("\\n")));
        }
        if (const auto *hint = window.findChild<QLabel *>(QStringLiteral("Label11_2"))) {
            say(QStringLiteral("hint: ") + hint->text());
        }
    }
    return 0;
}
