// Opening a file for reading only when it is a regular file: never through a symbolic link, never
// waiting on a pipe or a device that has nobody at its other end.
#pragma once

#include <QString>

#include <memory>

class QFile;

namespace saferead {

// The file open for reading, or nothing with the reason in `refused` (in Chinese, naming the file):
// missing, a link, a pipe, a folder, a device, or unreadable.
std::unique_ptr<QFile> open(const QString &path, QString &refused);
// What a file of this mode (st_mode) is, when it is no regular file: "管道", "文件夹", ...
QString kindName(unsigned mode);

} // namespace saferead
