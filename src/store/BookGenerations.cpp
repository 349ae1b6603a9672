// Naming, opening and pruning the book's dated generations.
#include "store/BookGenerations.h"

#include "text/FailureReason.h"

#include <QDir>
#include <QFile>
#include <QTime>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bookgenerations {

namespace {

constexpr int keptDays = 7;
constexpr qsizetype keptBeforeClear = 10;

QDate dateOf(const QString &name) {
    return QDate::fromString(name.mid(prefix().size(), 10), QStringLiteral("yyyy-MM-dd"));
}

// A failed system call's cause in Chinese; the C library's words go to the log.
QString systemFailure(int error, FileAccess access) {
    return fileFailureReason(error, access, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

QString prefix() {
    return QStringLiteral("parcelbook-");
}

QString name(QDate day, const QString &reason) {
    QString name = prefix() + day.toString(QStringLiteral("yyyy-MM-dd"));
    if (!reason.isEmpty()) {
        name += QLatin1Char('-') + reason + QLatin1Char('-') +
                QTime::currentTime().toString(QStringLiteral("HHmmsszzz"));
    }
    return name + QStringLiteral(".mdb");
}

QStringList surplus(const QStringList &names) {
    QList<QDate> days;
    QStringList beforeClear;
    for (const QString &name : names) {
        const QDate day = dateOf(name);
        if (day.isValid() && !days.contains(day)) {
            days.append(day);
        }
        if (day.isValid() && name.contains(QStringLiteral("-before-clear-"))) {
            beforeClear.append(name);
        }
    }
    std::sort(days.begin(), days.end());
    // Named by date and time, so the oldest sort first.
    std::sort(beforeClear.begin(), beforeClear.end());
    const QDate oldestKept = days.size() > keptDays ? days.at(days.size() - keptDays) : QDate();
    QStringList dropped;
    for (const QString &name : names) {
        const QDate day = dateOf(name);
        if (day.isValid() && oldestKept.isValid() && day < oldestKept) {
            dropped.append(name);
        }
    }
    for (qsizetype i = 0; i + keptBeforeClear < beforeClear.size(); ++i) {
        if (!dropped.contains(beforeClear.at(i))) {
            dropped.append(beforeClear.at(i));
        }
    }
    return dropped;
}

void prune(const QString &folderPath) {
    QDir folder(folderPath);
    for (const QString &name : surplus(folder.entryList({prefix() + QStringLiteral("*.mdb")}, QDir::Files))) {
        folder.remove(name);
    }
}

OpenFolder::~OpenFolder() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

Outcome<QString> OpenFolder::open() {
    const QByteArray path = QFile::encodeName(m_path);
    // mkdir never follows a symbolic link; an existing name of any kind is left as it is.
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return Failure{
            QStringLiteral("无法创建备份文件夹 %1:%2").arg(m_path, systemFailure(errno, FileAccess::Write)),
            {}};
    }
    m_fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd < 0) {
        return Failure{
            errno == ELOOP || errno == ENOTDIR
                ? QStringLiteral("备份文件夹 %1 不是文件夹(是符号链接或文件),没有在那里保留备份").arg(m_path)
                : QStringLiteral("无法打开备份文件夹 %1:%2")
                      .arg(m_path, systemFailure(errno, FileAccess::Read)),
            {}};
    }
    if (::fchmod(m_fd, 0700) != 0) {
        return Failure{QStringLiteral("无法设置备份文件夹 %1 的权限:%2")
                           .arg(m_path, systemFailure(errno, FileAccess::Write)),
                       {}};
    }
    return QStringLiteral("/proc/self/fd/%1").arg(m_fd);
}

} // namespace bookgenerations
