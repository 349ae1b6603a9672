// Starts the loopback demo service and prints the address a script reads the port from.
#include "CourierTable.h"
#include "DemoServer.h"
#include "DemoTracking.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int fail(const QString &message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"parcelbook-demo-service"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"岚舟包裹通演示服务：在 127.0.0.1 上代替查件、单号识别和网站服务，便于离线试用。"_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"监听的端口，0 表示自动选一个空闲端口。"_s, u"端口"_s,
                                        u"0"_s);
    const QCommandLineOption versionOption(u"version-text"_s, u"版本文件 gx.txt 的内容。"_s, u"文本"_s,
                                           u"V5.0"_s);
    QCommandLineOption growthOption(u"growth-seconds"_s, u"在途演示单号每隔多少秒多一条进度。"_s, u"秒"_s,
                                    u"30"_s);
    growthOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({portOption, versionOption, growthOption});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        return fail(u"端口无效：%1"_s.arg(parser.value(portOption)));
    }
    bool growthOk = false;
    const double growthSeconds = parser.value(growthOption).toDouble(&growthOk);
    if (!growthOk || growthSeconds <= 0) {
        return fail(u"间隔秒数无效：%1"_s.arg(parser.value(growthOption)));
    }
    const CourierTable couriers(u":/couriers.tsv"_s);
    if (couriers.isEmpty()) {
        return fail(u"内置的快递公司列表是空的"_s);
    }

    const DemoTracking tracking(couriers, growthSeconds);
    DemoServer server(tracking, parser.value(versionOption));
    if (!server.listen(static_cast<quint16>(port))) {
        return fail(u"无法监听 127.0.0.1:%1：%2"_s.arg(port).arg(server.errorString()));
    }
    // The program's "试用演示服务" reads both lines: where to ask, and which numbers to offer.
    std::printf("listening on http://127.0.0.1:%u\n", static_cast<unsigned>(server.port()));
    std::printf("demo numbers: %s\n", tracking.parcelNumbers().join(u", "_s).toUtf8().constData());
    std::fflush(stdout);
    return QCoreApplication::exec();
}
