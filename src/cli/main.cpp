// parcelbook-cli: the parcel book from a terminal and from scripts.
#include "cli/BookCommands.h"
#include "platform/ModuleMailer.h"
#include "platform/RealPlatform.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

void write(std::FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString usage() {
    return QStringLiteral(
        "用法:\n"
        "  parcelbook-cli list [--json]\n"
        "      列出快递列表中的全部快递:编号、单号、快递公司、物品、已知进度条数\n"
        "  parcelbook-cli query <单号> | --id <编号> | --all [--json]\n"
        "      查询物流进度,最新的在前,附状态和在途时间;有新进度时记下新的条数,\n"
        "      并按快递列表的设置发送桌面通知和邮件提醒\n"
        "  parcelbook-cli export <单号> | --id <编号> <文件> [--force]\n"
        "      查询后把进度导出为文本文件,与窗口的导出相同;已有的文件只在给出 --force 时替换,\n"
        "      设备、管道、文件夹和符号链接一概不写\n"
        "  parcelbook-cli watch\n"
        "      查询全部尚未签收的快递(同时最多 4 个),记下新进度并按设置提醒;\n"
        "      查询失败的快递在 stderr 上各占一行,最后输出一行汇总\n"
        "  parcelbook-cli --help | --version\n"
        "\n"
        "退出码:0 成功;1 查询服务返回了其他结果或没有应答(watch:有快递查询失败或今日次数已用完);2 用法有误;3 "
        "岚舟包裹通正在使用快递列表;"
        "4 无法打开快递列表\n");
}

int usageError(const QString &reason) {
    write(stderr, reason + QLatin1Char('\n') + usage());
    return ExitCode::Usage;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    // The same name as the window's, so an installed copy finds the same book in the data folder.
    QCoreApplication::setApplicationName(QStringLiteral("parcelbook"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARCELBOOK_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption all(QStringLiteral("all"));
    const QCommandLineOption id(QStringLiteral("id"), QString(), QStringLiteral("编号"));
    const QCommandLineOption force(QStringLiteral("force"));
    parser.addOptions({help, version, json, all, id, force});
    if (!parser.parse(QCoreApplication::arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        return usageError(unknown.isEmpty()
                              ? QStringLiteral("参数有误:") + parser.errorText()
                              : QStringLiteral("不认识的选项:") + unknown.join(QStringLiteral(", ")));
    }
    if (parser.isSet(help)) {
        write(stdout, usage());
        return ExitCode::Success;
    }
    if (parser.isSet(version)) {
        write(stdout, QStringLiteral("parcelbook-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitCode::Success;
    }

    QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        return usageError(QStringLiteral("缺少命令"));
    }
    const QString command = words.takeFirst();
    const programfolder::Places places = programfolder::resolve();
    RealDesktop desktop;
    // The sender is a module, loaded on the first mail.
    ModuleMailer mailer(MailSettings::fromEnvironment(), places.modules);
    CommandContext context{places,
                           ServiceAddresses::fromEnvironment(),
                           [] { return QDateTime::currentDateTime(); },
                           [](const QString &text) { write(stdout, text); },
                           [](const QString &text) { write(stderr, text); },
                           ::isatty(STDERR_FILENO) == 1,
                           &desktop,
                           &mailer};

    if (parser.isSet(force) && command != QStringLiteral("export")) {
        return usageError(QStringLiteral("--force 只用于 export"));
    }
    if (command == QStringLiteral("list")) {
        if (!words.isEmpty() || parser.isSet(all) || parser.isSet(id)) {
            return usageError(QStringLiteral("list 不需要其他参数"));
        }
        return listParcels(context, parser.isSet(json));
    }
    if (command == QStringLiteral("watch")) {
        if (!words.isEmpty() || parser.isSet(all) || parser.isSet(id) || parser.isSet(json)) {
            return usageError(QStringLiteral("watch 不需要其他参数"));
        }
        const int result = watchParcels(context);
        desktop.deliverPendingNotifications(5000);
        return result;
    }
    if (command != QStringLiteral("query") && command != QStringLiteral("export")) {
        return usageError(QStringLiteral("不认识的命令:") + command);
    }
    const bool exporting = command == QStringLiteral("export");
    QString file;
    if (exporting) {
        if (words.isEmpty() || parser.isSet(all) || parser.isSet(json)) {
            return usageError(QStringLiteral("export 需要一个快递(单号或 --id 编号)和一个文件"));
        }
        file = words.takeLast();
    }
    const int named = int(parser.isSet(all)) + int(parser.isSet(id)) + int(!words.isEmpty());
    if (named != 1 || words.size() > 1) {
        return usageError(QStringLiteral("请给出一个单号,或 --id 编号%1")
                              .arg(exporting ? QString() : QStringLiteral(",或 --all")));
    }
    ParcelChoice choice;
    if (parser.isSet(id)) {
        choice = {ParcelChoice::ById, parser.value(id)};
    } else if (!words.isEmpty()) {
        choice = {ParcelChoice::ByNumber, words.first()};
    }
    const int result = exporting ? exportParcel(context, choice, file, parser.isSet(force))
                                 : queryParcels(context, choice, parser.isSet(json));
    // New progress announced on the desktop reaches it before the command ends.
    desktop.deliverPendingNotifications(5000);
    return result;
}
