// Short Chinese reasons for what the C library and Qt report of files, and for arguments the command
// line's parser refused. Each library's own failures are worded beside its users (the transfer in
// net/, the engine in store/, the bus and the mail sender in platform/); the library's own words go to
// the log (stderr), never to the window or the command line's output.
#pragma once

#include <QCommandLineOption>
#include <QFileDevice>
#include <QString>

// Whether a file was being read or written: a missing path means a missing file when reading, a
// missing folder when writing.
enum class FileAccess { Read, Write };

// Writes a library's own words to the log under the kind of failure; nothing when it said nothing.
void logFailureDetail(const char *kind, const QString &detail);
// A file operation that failed with this errno.
QString fileFailureReason(int systemError, FileAccess access, const QString &detail = {});
// A QFile/QSaveFile failure. Qt words the errno into errorString, so the cause is read back from it
// where it is one of the known ones; otherwise the kind of failure decides.
QString fileFailureReason(QFileDevice::FileError error, const QString &errorString, FileAccess access);
// Why the parser refused the arguments (the program's name first): an option without its value, a
// switch given one, an option nobody knows.
QString argumentsFailureReason(const QList<QCommandLineOption> &options, const QStringList &arguments);
