// parcelbook-cli: the parcel book from a terminal and from scripts.
#include "Version.h"
#include "cli/AddCommand.h"
#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "cli/QueryCommand.h"
#include "cli/WatchCommand.h"
#include "platform/ModuleMailer.h"
#include "platform/ModuleWebClient.h"
#include "platform/RealPlatform.h"
#include "text/FailureReason.h"
#include "text/RegularFile.h"
#include "text/TrackingNumber.h"
#include "text/TrackingNumbersInText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>
#include <optional>
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
        "      列出快递列表中的全部快递:编号、单号、快递公司、物品、已知进度条数;\n"
        "      --json 还有取件码 pickupCode 和预计送达 estimatedDelivery\n"
        "  parcelbook-cli query <单号> | --id <编号> | --all [--json]\n"
        "      查询物流进度,最新的在前,附状态、在途时间、取件码或预计送达日期(按快递列表里\n"
        "      同一快递公司已签收快递的用时在本机估算);有新进度时记下新的条数,\n"
        "      并按快递列表的设置发送桌面通知和邮件提醒\n"
        "      JSON:\"pickupCode\": \"8-2-1234\" 或 null,\n"
        "      \"estimatedDelivery\": {\"earliest\": \"YYYY-MM-DD\", \"latest\": \"YYYY-MM-DD\", \"basis\": "
        "N} 或 null\n"
        "  parcelbook-cli export <单号> | --id <编号> <文件> [--force] [--encoding gbk|utf-8]\n"
        "      查询后把进度导出为文本文件,与窗口的导出相同;文件为 - 时写到 stdout;已有的文件只在给出\n"
        "      --force 时替换,设备、管道、文件夹和符号链接一概不写;\n"
        "      --encoding 默认:文件为 gbk(GB18030,CRLF 换行,与窗口相同),写到终端的 stdout 为 utf-8(LF 换行)\n"
        "  parcelbook-cli add <单号> [--company <快递公司>] [--goods <物品>] [--json]\n"
        "      添加一个快递,与窗口的“添加快递”相同:先向查询服务查询,存入快递列表后再查询一次并显示进度;\n"
        "      不给 --company 时由快递公司识别服务识别,公司名可只写一部分(如“顺丰”);物品可以不填\n"
        "  parcelbook-cli add --from-text <文件> [--json]\n"
        "      找出文件(- 表示标准输入)中的全部快递单号,逐个识别快递公司并添加;识别不出快递公司的单号\n"
        "      跳过并在 stderr 上说明;像手机号的和快递列表里已有的单号不添加,也在 stderr 上说明\n"
        "  parcelbook-cli watch\n"
        "      查询全部尚未签收的快递(同时最多 4 个),记下新进度并按设置提醒;\n"
        "      查询失败的快递在 stderr 上各占一行,查询服务没有信息的单号在 stdout "
        "上各占一行,最后输出一行汇总\n"
        "  parcelbook-cli --help | --version\n"
        "\n"
        "结果和进展说明(如邮件已发送)在 stdout 上(--json 时只有 JSON);stderr 上只有失败、警告和用法错误,\n"
        "在终端上还有“查询 i/n”进度。编号是快递列表里的正整数编号,每个选项只能给一次。\n"
        "--json 中 \"state\" 为 not_queried、in_transit、out_for_delivery、delivered 或 stalled,\n"
        "\"status\" 为对应的中文状态;成功时 \"code\" 为 null。\n"
        "查询服务由窗口设置页的“查询服务”或文件 ~/.config/parcelbook/services.conf 设置。\n"
        "文本输出中,查询服务和快递列表里的控制字符写成 \\x1b、\\u202e 这样的转义,list 表格中超过 40 "
        "列的格子以“…”截短;--json 输出原样。\n"
        "退出码:0 每个快递都已查询并得到应答(查询服务没有某单号的信息也算应答,在输出中说明);\n"
        "1 有快递没能查询或没有得到应答(查询服务返回了其他结果或没有应答、尚未设置查询服务)、"
        "导出文件或输出写不进去、提醒邮件没有发出"
        "(watch:有快递查询失败或今日次数已用完;add:有单号因识别不出快递公司被跳过,或没能添加,"
        "或文本中没有单号);2 "
        "用法有误(也包括快递列表里没有这个单号或编号、不认识的快递公司、读不了的文本文件);3 "
        "岚舟包裹通正在使用快递列表;"
        "4 无法打开快递列表,或进度没能记入快递列表\n");
}

int usageError(const QString &reason) {
    write(stderr, reason + QLatin1Char('\n') + usage());
    return ExitCode::Usage;
}

// The first option given more than once: a script that repeats one is told so, rather than one of
// the values silently winning.
std::optional<QString> repeatedOption(const QCommandLineParser &parser,
                                      const QList<QCommandLineOption> &options) {
    const QStringList found = parser.optionNames();
    for (const QCommandLineOption &option : options) {
        const auto given = std::count_if(found.cbegin(), found.cend(), [&option](const QString &name) {
            return option.names().contains(name);
        });
        if (given > 1) {
            return option.names().constLast();
        }
    }
    return std::nullopt;
}

// The text of an order mail may be as large as a long mail with its quoted history, never more.
constexpr qint64 largestText = 16 * 1024 * 1024;

// The text to find numbers in, from a regular file or standard input ("-"); refused for a file that
// is missing, no regular file, too large or unreadable. UTF-8, or else GB18030, as a mail saved on
// another system may be.
Outcome<QString> readText(const QString &file) {
    QByteArray bytes;
    if (file == QLatin1StringView("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            return Failure{QStringLiteral("无法读取标准输入")};
        }
        bytes = in.read(largestText + 1);
        if (bytes.size() > largestText) {
            return Failure{QStringLiteral("标准输入过大(超过 %1 KB)").arg(largestText / 1024)};
        }
    } else {
        Outcome<QByteArray> contents = readRegularFile(file, largestText);
        if (!contents) {
            return contents.failure().kind == Failure::Kind::Missing
                       ? Failure{QStringLiteral("“%1”不存在").arg(file)}
                       : contents.failure();
        }
        bytes = std::move(*contents);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        if (QStringDecoder gbk("GB18030"); gbk.isValid()) {
            text = gbk(bytes);
        }
    }
    return text;
}

// Every option of the command line.
struct Options {
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")}};
    QCommandLineOption json{QStringLiteral("json")};
    QCommandLineOption all{QStringLiteral("all")};
    QCommandLineOption id{QStringLiteral("id"), QString(), QStringLiteral("编号")};
    QCommandLineOption force{QStringLiteral("force")};
    QCommandLineOption company{QStringLiteral("company"), QString(), QStringLiteral("快递公司")};
    QCommandLineOption goods{QStringLiteral("goods"), QString(), QStringLiteral("物品")};
    QCommandLineOption fromText{QStringLiteral("from-text"), QString(), QStringLiteral("文件")};
    QCommandLineOption encoding{QStringLiteral("encoding"), QString(), QStringLiteral("编码")};

    QList<QCommandLineOption> list() const {
        return {help, version, json, all, id, force, company, goods, fromText, encoding};
    }
};

// Each check below says a usage error and gives its exit code, or nothing when the arguments pass.

// The command known, and no option given to a command it does not belong to.
std::optional<int> commandRefused(const QCommandLineParser &parser, const Options &o, const QString &command,
                                  const QStringList &words) {
    const bool adding = command == QStringLiteral("add");
    const bool known = command == QStringLiteral("list") || command == QStringLiteral("watch") ||
                       command == QStringLiteral("query") || command == QStringLiteral("export") || adding;
    if (!known) {
        return usageError(QStringLiteral("不认识的命令:") + command);
    }
    if (!adding && (parser.isSet(o.company) || parser.isSet(o.goods) || parser.isSet(o.fromText))) {
        return usageError(QStringLiteral("--company、--goods 和 --from-text 只用于 add"));
    }
    const bool exporting = command == QStringLiteral("export");
    if (!exporting && (parser.isSet(o.force) || parser.isSet(o.encoding))) {
        return usageError(QStringLiteral("--force 和 --encoding 只用于 export"));
    }
    if (command == QStringLiteral("list") || command == QStringLiteral("watch")) {
        if (!words.isEmpty()) {
            return usageError(command + QStringLiteral(" 不需要单号或其他参数:") +
                              words.join(QLatin1Char(' ')));
        }
        for (const QCommandLineOption *option : {&o.all, &o.id, &o.json}) {
            if (parser.isSet(*option) && (option != &o.json || command == QStringLiteral("watch"))) {
                return usageError(command + QStringLiteral(" 不接受 --") + option->names().constFirst());
            }
        }
    }
    return std::nullopt;
}

// The export's parcel and file counted, its file taken from the words and its encoding chosen.
std::optional<int> exportRefused(const QCommandLineParser &parser, const Options &o, QStringList &words,
                                 QString &file, ExportEncoding &exportEncoding) {
    if (parser.isSet(o.all) || parser.isSet(o.json)) {
        return usageError(QStringLiteral("export 只导出一个快递,不接受 --all 和 --json"));
    }
    const qsizetype wanted = parser.isSet(o.id) ? 1 : 2;
    if (words.isEmpty() && !parser.isSet(o.id)) {
        return usageError(QStringLiteral("export 需要一个快递(单号或 --id 编号)和一个导出文件"));
    }
    if (words.size() < wanted) {
        return usageError(QStringLiteral("请给出导出文件(- 表示标准输出)"));
    }
    if (words.size() > wanted) {
        return usageError(QStringLiteral("export 只需要一个快递和一个导出文件"));
    }
    file = words.takeLast();
    // Bytes for a terminal are read there, as UTF-8; a file or a pipe gets the window's bytes.
    const bool toTerminal = file == QLatin1StringView("-") && ::isatty(STDOUT_FILENO) == 1;
    const QString encodingName = parser.isSet(o.encoding) ? parser.value(o.encoding).toLower()
                                 : toTerminal             ? QStringLiteral("utf-8")
                                                          : QStringLiteral("gbk");
    if (encodingName == QStringLiteral("utf-8") || encodingName == QStringLiteral("utf8")) {
        exportEncoding = ExportEncoding::Utf8;
    } else if (encodingName != QStringLiteral("gbk")) {
        return usageError(QStringLiteral("--encoding 只能是 gbk 或 utf-8:") + parser.value(o.encoding));
    }
    return std::nullopt;
}

// The parcel a query or an export names: all of them, one by its row number or one by its number.
std::optional<int> choiceRefused(const QCommandLineParser &parser, const Options &o, const QStringList &words,
                                 bool exporting, ParcelChoice &choice) {
    if (parser.isSet(o.all) && !words.isEmpty()) {
        return usageError(QStringLiteral("--all 查询全部快递,不再接受单号:") + words.join(QLatin1Char(' ')));
    }
    if (parser.isSet(o.all) && parser.isSet(o.id)) {
        return usageError(QStringLiteral("--all 查询全部快递,不再接受 --id"));
    }
    if (parser.isSet(o.id) && !words.isEmpty()) {
        return usageError(QStringLiteral("--id 和单号只能给一个:") + words.join(QLatin1Char(' ')));
    }
    if (words.size() > 1) {
        return usageError(QStringLiteral("一次只能给一个单号%1:")
                              .arg(exporting ? QString() : QStringLiteral("(全部快递请用 --all)")) +
                          words.join(QLatin1Char(' ')));
    }
    if (!parser.isSet(o.all) && !parser.isSet(o.id) && words.isEmpty()) {
        return usageError(QStringLiteral("请给出一个单号,或 --id 编号%1")
                              .arg(exporting ? QString() : QStringLiteral(",或 --all")));
    }
    if (parser.isSet(o.id)) {
        const std::optional<ParcelId> row = ParcelId::fromText(parser.value(o.id));
        if (!row) {
            return usageError(QStringLiteral("编号应是一个正整数,如 --id 2:") + parser.value(o.id));
        }
        choice.kind = ParcelChoice::ById;
        choice.id = *row;
    } else if (!words.isEmpty()) {
        // The number is read as the window's number boxes read it: "sf-1402 345678901" names
        // SF1402345678901.
        const QString number = normalizedTrackingNumber(words.first());
        if (number.isEmpty()) {
            return usageError(QStringLiteral("单号无效:") + words.first());
        }
        choice.kind = ParcelChoice::ByNumber;
        choice.value = number;
    }
    return std::nullopt;
}

// The numbers an add is for: the one given, or those found in a text.
std::optional<int> addRefused(const QCommandLineParser &parser, const Options &o, const QStringList &words,
                              AddChoice &toAdd) {
    if (parser.isSet(o.all) || parser.isSet(o.id)) {
        return usageError(QStringLiteral("add 不接受 --all 和 --id"));
    }
    if (parser.isSet(o.fromText)) {
        if (!words.isEmpty() || parser.isSet(o.company) || parser.isSet(o.goods)) {
            return usageError(QStringLiteral("add --from-text 只需要一个文件(- 表示标准输入),"
                                             "快递公司由识别服务识别"));
        }
        const Outcome<QString> text = readText(parser.value(o.fromText));
        if (!text) {
            write(stderr, text.failure().reason + QLatin1Char('\n'));
            return ExitCode::Usage;
        }
        toAdd.numbers = trackingNumbersInText(*text);
        toAdd.fromText = true;
    } else {
        if (words.size() != 1) {
            return usageError(QStringLiteral("add 需要一个单号,或 --from-text 文件"));
        }
        const QString number = normalizedTrackingNumber(words.first());
        if (number.isEmpty()) {
            return usageError(QStringLiteral("单号无效:") + words.first());
        }
        toAdd.numbers = {FoundNumber{number, false}};
        toAdd.company = parser.value(o.company);
        toAdd.goods = parser.value(o.goods);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    // The same name as the window's, so an installed copy finds the same book in the data folder.
    QCoreApplication::setApplicationName(QStringLiteral("parcelbook"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARCELBOOK_VERSION));

    QCommandLineParser parser;
    const Options o;
    const QList<QCommandLineOption> options = o.list();
    parser.addOptions(options);
    if (!parser.parse(QCoreApplication::arguments())) {
        return usageError(argumentsFailureReason(options, QCoreApplication::arguments()));
    }
    if (const std::optional<QString> repeated = repeatedOption(parser, options)) {
        return usageError(QStringLiteral("选项 --%1 只能给一次").arg(*repeated));
    }
    if (parser.isSet(o.help)) {
        write(stdout, usage());
        return ExitCode::Success;
    }
    if (parser.isSet(o.version)) {
        write(stdout, QStringLiteral("parcelbook-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitCode::Success;
    }

    QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        return usageError(QStringLiteral("缺少命令"));
    }
    const QString command = words.takeFirst();
    // Every argument is checked before the book is opened or locked.
    const bool adding = command == QStringLiteral("add");
    if (const std::optional<int> refused = commandRefused(parser, o, command, words)) {
        return *refused;
    }
    const bool exporting = command == QStringLiteral("export");
    ExportEncoding exportEncoding = ExportEncoding::Gbk;
    QString file;
    if (exporting) {
        if (const std::optional<int> refused = exportRefused(parser, o, words, file, exportEncoding)) {
            return *refused;
        }
    }
    ParcelChoice choice;
    if (command == QStringLiteral("query") || exporting) {
        if (const std::optional<int> refused = choiceRefused(parser, o, words, exporting, choice)) {
            return *refused;
        }
    }
    AddChoice toAdd;
    if (adding) {
        if (const std::optional<int> refused = addRefused(parser, o, words, toAdd)) {
            return *refused;
        }
    }

    const programfolder::Places places = programfolder::resolve();
    // Notes go beside text results; JSON and exported bytes stay exactly what they are.
    const bool notesShown = !parser.isSet(o.json) && !(exporting && file == QLatin1StringView("-"));
    RealDesktop desktop;
    // The sender and the web access are modules, loaded on the first mail and the first request.
    const std::unique_ptr<CurrentSettingsMailer> mailer =
        moduleMailer(&MailSettings::configured, places.modules);
    ModuleWebClient web(places.modules);
    CommandContext context{places,
                           ServiceAddresses::configured(),
                           [] { return QDateTime::currentDateTime(); },
                           [](const QString &text) { write(stdout, text); },
                           [](const QByteArray &bytes) {
                               return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) ==
                                          size_t(bytes.size()) &&
                                      std::fflush(stdout) == 0;
                           },
                           [](const QString &text) { write(stderr, text); },
                           [notesShown](const QString &text) {
                               if (notesShown) {
                                   write(stdout, text);
                               }
                           },
                           ::isatty(STDERR_FILENO) == 1,
                           &desktop,
                           mailer.get(),
                           &web};

    // Whatever was set aside as the services were read is said before any command runs.
    for (const QString &problem : context.services.problems) {
        write(stderr, problem + QLatin1Char('\n'));
    }
    if (command == QStringLiteral("list")) {
        return listParcels(context, parser.isSet(o.json));
    }
    if (adding) {
        const int result = addParcels(context, toAdd, parser.isSet(o.json));
        desktop.deliverPendingNotifications(5000);
        return result;
    }
    if (command == QStringLiteral("watch")) {
        const int result = watchParcels(context);
        desktop.deliverPendingNotifications(5000);
        return result;
    }
    const int result = exporting ? exportParcel(context, choice, file, parser.isSet(o.force), exportEncoding)
                                 : queryParcels(context, choice, parser.isSet(o.json));
    // New progress announced on the desktop reaches it before the command ends.
    desktop.deliverPendingNotifications(5000);
    return result;
}
