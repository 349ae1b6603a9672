// Builds the real platform and the main window, and runs the program.
#include "platform/ModuleMailer.h"
#include "platform/RealPlatform.h"
#include "shell/MainWindow.h"
#include "store/ProgramFolder.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("岚舟包裹通"));

    // Standard dialogs speak Chinese whatever the system locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    QApplication::setFont(font);

    // The sender and the player are modules beside the program, loaded on the first mail or sound.
    const QString moduleFolder = QApplication::applicationDirPath();
    RealDialogs dialogs;
    RealClock clock;
    RealSound sound(moduleFolder);
    RealDesktop desktop;
    ModuleMailer mailer(MailSettings::fromEnvironment(), moduleFolder);
    const Platform platform{&dialogs, &clock, &sound, &desktop, &mailer};

    MainWindow window(platform, programfolder::resolve());
    dialogs.setParentWindow(&window);
    if (!window.claim()) {
        return 0;
    }
    // The first frame needs nothing from the book: the window shows while the book's key is still
    // being derived, and the book fills it right after.
    window.showThenStart();
    return QApplication::exec();
}
