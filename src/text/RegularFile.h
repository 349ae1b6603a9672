// Reading a file only when it is one: opened without following a symbolic link and without waiting on
// a pipe, and taken only when it is a regular file of a sensible size.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

struct RegularFileContents {
    enum class Outcome { Read, Missing, Refused };
    Outcome outcome = Outcome::Missing;
    QByteArray bytes;
    // Why the file was not read, in Chinese, starting with its quoted path; empty unless refused.
    QString refusal;
};

// The file's bytes, up to cap; a larger file, a link, a pipe, a folder or a device is refused.
RegularFileContents readRegularFile(const QString &path, qint64 cap);
// What a file that is not a regular one is, in Chinese ("符号链接", "管道", …).
QString nonRegularKind(mode_t mode);
