// Reading a file only when it is one: opened without following a symbolic link and without waiting on
// a pipe, and taken only when it is a regular file (of a sensible size, where its bytes are read whole).
#pragma once

#include "text/Failure.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <sys/types.h>

class QFile;

// Both fail with a reason starting with the file's quoted path, and with Failure::Kind::Missing when
// there is no file at all.

// The file's bytes, up to cap; a larger file, a link, a pipe, a folder or a device is refused.
Outcome<QByteArray> readRegularFile(const QString &path, qint64 cap);
// The file open for reading; a link, a pipe, a folder, a device or an unreadable file is refused.
Outcome<std::unique_ptr<QFile>> openRegularFile(const QString &path);
// What a file that is not a regular one is, in Chinese ("符号链接", "管道", …).
QString nonRegularKind(mode_t mode);
