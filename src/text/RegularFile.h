// Reading a file only when it is one: opened without following a symbolic link and without waiting on
// a pipe, and taken only when it is a regular file (of a sensible size, where its bytes are read whole).
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <sys/types.h>

class QFile;

struct RegularFileContents {
    enum class Outcome { Read, Missing, Refused };
    Outcome outcome = Outcome::Missing;
    QByteArray bytes;
    // Why the file was not read, in Chinese, starting with its quoted path; empty unless refused.
    QString refusal;
};

// The file's bytes, up to cap; a larger file, a link, a pipe, a folder or a device is refused.
RegularFileContents readRegularFile(const QString &path, qint64 cap);
// The file open for reading, or nothing with the reason in `refused` (in Chinese, starting with its
// quoted path): missing, a link, a pipe, a folder, a device, or unreadable.
std::unique_ptr<QFile> openRegularFile(const QString &path, QString &refused);
// What a file that is not a regular one is, in Chinese ("符号链接", "管道", …).
QString nonRegularKind(mode_t mode);
