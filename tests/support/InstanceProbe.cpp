// A second process for the single-instance tests: starts the real main window over a program
// folder with fake dialogs and prints "started" or the first message it would have shown.
#include "shell/MainWindow.h"
#include "support/FakePlatform.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs("usage: parcelbook-instance-probe <program folder> [--hold]\n", stderr);
        return 2;
    }
    FakePlatform fake;
    MainWindow window(fake.platform(), arguments.at(1));
    const bool started = window.start();
    const QString said = started ? QStringLiteral("started") : fake.dialogs.texts().value(0);
    std::fputs(said.toUtf8().constData(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    if (started && arguments.contains(QStringLiteral("--hold"))) {
        return QApplication::exec();
    }
    return 0;
}
