// parcelbook-mkdb: builds the encrypted database delivered with the program from the courier list.
#include "store/Database.h"
#include "store/Schema.h"
#include "store/StoreError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <cstdio>
#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

struct CourierLine {
    QString name;
    QString code;
    QString shibie;
    QString call;
};

struct CourierList {
    QList<CourierLine> rows;
    // Empty when every line was accepted.
    QString error;
};

void say(std::FILE *stream, const QString &text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QString usage() {
    return u"用法：parcelbook-mkdb --couriers <快递公司列表.tsv> --out <数据库文件.mdb> [--force]"_s;
}

// The tracking service is addressed with these codes in a URL, so they stay plain ASCII.
bool isServiceCode(const QString &code) {
    static const QRegularExpression pattern(u"^[a-z0-9]+$"_s);
    return pattern.match(code).hasMatch();
}

CourierList readCouriers(const QString &path) {
    CourierList result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = u"无法读取快递公司列表 %1：%2"_s.arg(path, file.errorString());
        return result;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError()) {
        result.error = u"快递公司列表 %1 不是有效的 UTF-8 文本"_s.arg(path);
        return result;
    }

    const QStringList lines = text.split(u'\n');
    QString header = lines.value(0);
    if (header.endsWith(u'\r')) {
        header.chop(1);
    }
    if (header != u"name\tcode\tshibie\tcall"_s) {
        result.error = u"快递公司列表第 1 行应为表头 name<TAB>code<TAB>shibie<TAB>call"_s;
        return result;
    }

    QHash<QString, qsizetype> nameLine;
    QHash<QString, qsizetype> codeLine;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype lineNumber = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty()) {
            continue;
        }
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 4) {
            result.error = u"快递公司列表第 %1 行应有 4 列，实有 %2 列"_s.arg(lineNumber).arg(fields.size());
            return result;
        }
        const CourierLine row{fields.at(0).trimmed(), fields.at(1).trimmed(), fields.at(2).trimmed(),
                              fields.at(3).trimmed()};
        if (row.name.isEmpty()) {
            result.error = u"快递公司列表第 %1 行缺少公司名称"_s.arg(lineNumber);
            return result;
        }
        if (row.code.isEmpty()) {
            result.error = u"快递公司列表第 %1 行缺少查询代码"_s.arg(lineNumber);
            return result;
        }
        if (!isServiceCode(row.code) || (!row.shibie.isEmpty() && !isServiceCode(row.shibie))) {
            result.error = u"快递公司列表第 %1 行的代码只能由小写字母和数字组成"_s.arg(lineNumber);
            return result;
        }
        if (const auto seen = nameLine.constFind(row.name); seen != nameLine.cend()) {
            result.error = u"快递公司列表第 %1 行的公司名称与第 %2 行重复：%3"_s.arg(lineNumber)
                               .arg(*seen)
                               .arg(row.name);
            return result;
        }
        if (const auto seen = codeLine.constFind(row.code); seen != codeLine.cend()) {
            result.error = u"快递公司列表第 %1 行的查询代码与第 %2 行重复：%3"_s.arg(lineNumber)
                               .arg(*seen)
                               .arg(row.code);
            return result;
        }
        nameLine.insert(row.name, lineNumber);
        codeLine.insert(row.code, lineNumber);
        result.rows.append(row);
    }
    if (result.rows.isEmpty()) {
        result.error = u"快递公司列表 %1 中没有任何快递公司"_s.arg(path);
    }
    return result;
}

void buildInto(const QString &path, const QList<CourierLine> &couriers) {
    Database db = Database::create(path, schema::databasePassword());
    db.exec(u"BEGIN"_s);
    db.exec(schema::createParcelbook());
    db.exec(schema::createList());
    db.exec(schema::createSetting());

    Statement setting = db.prepare(u"INSERT INTO setting (通知邮箱, 邮件通知, 语音提示, 支持拖动, 关闭窗口, "
                                   u"气泡提示, 默认查询, 自动识别) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    setting.bind(1, u"无"_s);
    for (int column = 2; column <= 8; ++column) {
        setting.bind(column, u"否"_s);
    }
    setting.run();

    // A finished statement cannot be bound again, so every row gets its own.
    for (const CourierLine &courier : couriers) {
        Statement insert =
            db.prepare(u"INSERT INTO list (name, code, shibie, \"call\") VALUES (?, ?, ?, ?)"_s);
        insert.bind(1, courier.name).bind(2, courier.code).bind(3, courier.shibie).bind(4, courier.call);
        insert.run();
    }
    db.exec(u"COMMIT"_s);
    db.close();
}

// Without force the rename refuses an existing target, so a database that appeared meanwhile survives.
bool moveIntoPlace(const QString &from, const QString &to, bool force, QString &error) {
    if (!force) {
        if (QFile::rename(from, to)) {
            return true;
        }
        error = u"无法把 %1 移到 %2"_s.arg(from, to);
        return false;
    }
    std::error_code code;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), code);
    if (code) {
        error = u"无法把 %1 移到 %2：%3"_s.arg(from, to, QString::fromLocal8Bit(code.message()));
        return false;
    }
    return true;
}

bool exists(const QFileInfo &file) {
    return file.exists() || file.isSymLink();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"parcelbook-mkdb"_s);

    QCommandLineParser parser;
    const QCommandLineOption couriersOption(u"couriers"_s, u"快递公司列表"_s, u"文件"_s);
    const QCommandLineOption outOption(u"out"_s, u"要生成的数据库文件"_s, u"文件"_s);
    const QCommandLineOption forceOption(u"force"_s, u"覆盖已有的数据库"_s);
    parser.addOptions({couriersOption, outOption, forceOption});
    if (!parser.parse(QCoreApplication::arguments())) {
        say(stderr, u"参数有误：%1"_s.arg(parser.errorText()));
        say(stderr, usage());
        return 2;
    }
    const QString couriersPath = parser.value(couriersOption);
    const QString outPath = parser.value(outOption);
    if (couriersPath.isEmpty() || outPath.isEmpty() || !parser.positionalArguments().isEmpty()) {
        say(stderr, usage());
        return 2;
    }
    const bool force = parser.isSet(forceOption);

    const CourierList couriers = readCouriers(couriersPath);
    if (!couriers.error.isEmpty()) {
        say(stderr, couriers.error);
        return 1;
    }

    const QFileInfo target(outPath);
    const QString targetPath = target.absoluteFilePath();
    if (exists(target) && !force) {
        say(stdout, u"已保留现有数据库 %1，未作任何改动"_s.arg(targetPath));
        return 0;
    }
    if (!QDir().mkpath(target.absolutePath())) {
        say(stderr, u"无法创建文件夹 %1"_s.arg(target.absolutePath()));
        return 1;
    }

    // Built under a temporary name beside the target so a failed run never leaves a half database;
    // the file will hold the user's parcels, so it keeps the owner-only permissions it is created with.
    QTemporaryFile temporary(targetPath + u".tmp-XXXXXX"_s);
    if (!temporary.open()) {
        say(stderr, u"无法在 %1 中创建临时文件：%2"_s.arg(target.absolutePath(), temporary.errorString()));
        return 1;
    }
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    try {
        buildInto(temporaryPath, couriers.rows);
    } catch (const StoreError &failure) {
        say(stderr, u"生成数据库失败：%1"_s.arg(failure.description()));
        return 1;
    }

    QString error;
    if (!moveIntoPlace(temporaryPath, targetPath, force, error)) {
        if (!force && exists(QFileInfo(targetPath))) {
            say(stdout, u"已保留现有数据库 %1，未作任何改动"_s.arg(targetPath));
            return 0;
        }
        say(stderr, error);
        return 1;
    }
    temporary.setAutoRemove(false);
    say(stdout, u"已生成数据库 %1，含 %2 家快递公司"_s.arg(targetPath).arg(couriers.rows.size()));
    return 0;
}
