// Short Chinese reasons for what the C library and Qt report of files, and for the command line's
// arguments the parser refused.
#include "text/FailureReason.h"

#include <QDebug>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>

namespace {

// The errno values whose wording Qt's errorString carries and that have a reason of their own.
constexpr int knownFileErrors[] = {ENOSPC, EDQUOT, EACCES, EPERM,  ENOENT,       ENOTDIR, EISDIR,
                                   EROFS,  EEXIST, EIO,    EMFILE, ENAMETOOLONG, ELOOP};

} // namespace

QString fileFailureReason(int systemError, FileAccess access, const QString &detail) {
    logFailureDetail("file", detail);
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘已满");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case ENOENT:
        return access == FileAccess::Write ? QStringLiteral("文件夹不存在") : QStringLiteral("文件不存在");
    case ENOTDIR:
        return QStringLiteral("路径中有一项不是文件夹");
    case EISDIR:
        return QStringLiteral("这是一个文件夹，不是文件");
    case EROFS:
        return QStringLiteral("磁盘只读");
    case EEXIST:
        return QStringLiteral("文件已存在");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        return QStringLiteral("系统资源不足");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case ELOOP:
        return QStringLiteral("符号链接过多");
    default:
        break;
    }
    return access == FileAccess::Write ? QStringLiteral("文件写入失败") : QStringLiteral("文件读取失败");
}

QString fileFailureReason(QFileDevice::FileError error, const QString &errorString, FileAccess access) {
    for (const int systemError : knownFileErrors) {
        if (errorString == qt_error_string(systemError)) {
            return fileFailureReason(systemError, access, errorString);
        }
    }
    logFailureDetail("file", errorString);
    switch (error) {
    case QFileDevice::NoError:
        return QString();
    case QFileDevice::ResourceError:
        // Qt reports a write that found the disk full as a resource error.
        return QStringLiteral("磁盘已满或系统资源不足");
    case QFileDevice::PermissionsError:
        return QStringLiteral("没有权限");
    case QFileDevice::ReadError:
        return QStringLiteral("文件读取失败");
    case QFileDevice::WriteError:
        return QStringLiteral("文件写入失败");
    case QFileDevice::OpenError:
        return QStringLiteral("文件无法打开");
    case QFileDevice::AbortError:
        return QStringLiteral("操作已中止");
    case QFileDevice::TimeOutError:
        return QStringLiteral("操作超时");
    case QFileDevice::RemoveError:
        return QStringLiteral("文件无法删除");
    case QFileDevice::RenameError:
        return QStringLiteral("文件无法改名");
    case QFileDevice::PositionError:
    case QFileDevice::ResizeError:
    case QFileDevice::CopyError:
    case QFileDevice::UnspecifiedError:
    case QFileDevice::FatalError:
        break;
    }
    return access == FileAccess::Write ? QStringLiteral("文件写入失败") : QStringLiteral("文件读取失败");
}

QString argumentsFailureReason(const QList<QCommandLineOption> &options, const QStringList &arguments) {
    const auto named = [&options](const QString &name) -> const QCommandLineOption * {
        const auto found =
            std::find_if(options.cbegin(), options.cend(),
                         [&name](const QCommandLineOption &option) { return option.names().contains(name); });
        return found == options.cend() ? nullptr : &*found;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1StringView("--")) {
            break;
        }
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1StringView("-")) {
            continue;
        }
        const qsizetype dashes = argument.startsWith(QLatin1StringView("--")) ? 2 : 1;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString given = equals < 0 ? argument : argument.left(equals);
        const QString name = given.mid(dashes);
        const QCommandLineOption *option = named(name);
        // "-hv" is -h and -v.
        if (!option && dashes == 1 && equals < 0 &&
            std::all_of(name.cbegin(), name.cend(), [&named](QChar letter) {
                const QCommandLineOption *each = named(QString(letter));
                return each && each->valueName().isEmpty();
            })) {
            continue;
        }
        if (!option) {
            return QStringLiteral("不认识的选项:") + given;
        }
        const bool takesValue = !option->valueName().isEmpty();
        if (!takesValue && equals >= 0) {
            return QStringLiteral("选项 %1 后面不能带值").arg(given);
        }
        if (takesValue && equals < 0) {
            if (i + 1 == arguments.size()) {
                return QStringLiteral("选项 %1 后缺少%2").arg(given, option->valueName());
            }
            ++i;
        }
    }
    return QStringLiteral("参数有误");
}

void logFailureDetail(const char *kind, const QString &detail) {
    if (!detail.isEmpty()) {
        qWarning("%s: %s", kind, qPrintable(detail));
    }
}
