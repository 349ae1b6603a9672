// Reads the command line, builds the real platform and the main window, and runs the program.
#include "Version.h"
#include "platform/ModuleMailer.h"
#include "platform/ModuleWebClient.h"
#include "platform/RealPlatform.h"
#include "shell/MainWindow.h"
#include "shell/MessageDialogs.h"
#include "store/ProgramFolder.h"
#include "text/FailureReason.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

#include <cstdio>
#include <optional>

namespace {

void print(std::FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString usage() {
    return QStringLiteral("用法:parcelbook [选项]\n"
                          "岚舟包裹通:记录包裹、查询物流进度、有新进度时提醒。\n"
                          "\n"
                          "选项:\n"
                          "  -h, --help     显示本帮助后退出\n"
                          "  -v, --version  显示版本后退出\n");
}

// Handles --help, --version and wrong arguments before any window or display is needed: the exit
// code when the program ends here, nothing when it goes on to its window.
std::optional<int> readCommandLine(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    QList<QCommandLineOption> options{help, version};
    // Qt's own options (-platform offscreen, -style ...) are taken by the application object.
    for (const char *name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet", "display",
          "geometry", "qwindowgeometry", "qwindowicon", "qwindowtitle", "session"}) {
        options.append(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("值")));
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        options.append(QCommandLineOption(QString::fromLatin1(name)));
    }
    parser.addOptions(options);
    QString wrong;
    if (!parser.parse(arguments)) {
        wrong = argumentsFailureReason(options, arguments);
    } else if (!parser.positionalArguments().isEmpty()) {
        wrong = QStringLiteral("不认识的参数:") + parser.positionalArguments().join(QLatin1Char(' '));
    }
    if (!wrong.isEmpty()) {
        print(stderr, wrong + QLatin1Char('\n') + usage());
        return 2;
    }
    if (parser.isSet(help)) {
        print(stdout, usage());
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, QStringLiteral("岚舟包裹通 %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    // The name places the user's book in the data folder ($XDG_DATA_HOME/parcelbook) and names the
    // window class the desktop entry matches.
    QCoreApplication::setApplicationName(QStringLiteral("parcelbook"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARCELBOOK_VERSION));
    if (const std::optional<int> ended = readCommandLine(argc, argv)) {
        return *ended;
    }
    QApplication app(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("cn.lanzhou.parcelbook"));

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
    // The Chinese fonts' own settings turn hinting off; where the platform would hint them anyway, each
    // of the first frame's two hundred glyphs passes the autohinter, a quarter of the frame's time.
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);

    const programfolder::Places places = programfolder::resolve();
    // The sender, the player and the web access are modules, loaded on the first mail, sound or request.
    MessageDialogs dialogs;
    RealClock clock;
    RealSound sound(places.modules);
    RealDesktop desktop([](const QString &url) { QDesktopServices::openUrl(QUrl(url)); });
    const std::unique_ptr<CurrentSettingsMailer> mailer =
        moduleMailer(&MailSettings::configured, places.modules);
    ModuleWebClient web(places.modules);
    const Platform platform{&dialogs, &clock, &sound, &desktop, mailer.get(), &web};

    // An installed program's first start gives the user a book of their own.
    if (const Outcome<> provided = programfolder::provideBook(places); !provided) {
        dialogs.inform(QStringLiteral("岚舟包裹通"),
                       QStringLiteral("无法建立数据库:") + provided.failure().reason,
                       MessageIcon::Exclamation);
        return 1;
    }
    MainWindow window(platform, places);
    dialogs.setParentWindow(&window);
    if (!window.claim()) {
        return 0;
    }
    // The first frame needs nothing from the book: the window shows while the book's key is still
    // being derived, and the book fills it right after.
    window.showThenStart();
    return QApplication::exec();
}
