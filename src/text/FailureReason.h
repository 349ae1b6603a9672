// Short Chinese reasons for what the libraries report in English: transfers, the D-Bus, files, the
// database engine, the mail sender and the command line's parser. The library's own words go to the
// log (stderr), never to the window or the command line's output.
#pragma once

#include <QCommandLineOption>
#include <QFileDevice>
#include <QNetworkReply>
#include <QString>

// Whether a file was being read or written: a missing path means a missing file when reading, a
// missing folder when writing.
enum class FileAccess { Read, Write };

// A transfer that failed; detail is the library's text, logged as it stands.
QString transferFailureReason(QNetworkReply::NetworkError error, const QString &detail = {});
// A D-Bus call or connection that failed, by the error's name ("org.freedesktop.DBus.Error.…").
QString busFailureReason(const QString &errorName, const QString &detail = {});
// A file operation that failed with this errno.
QString fileFailureReason(int systemError, FileAccess access, const QString &detail = {});
// A QFile/QSaveFile failure. Qt words the errno into errorString, so the cause is read back from it
// where it is one of the known ones; otherwise the kind of failure decides.
QString fileFailureReason(QFileDevice::FileError error, const QString &errorString, FileAccess access);
// A database engine failure by its result code (the extended code will do); systemError is the
// errno behind an I/O failure or 0, which names the cause when the engine only knows it could not
// open or read the file.
QString storeFailureReason(int resultCode, int systemError, const QString &detail = {});
// A mail submission that failed with this curl code; detail is curl's own text, which also tells
// which step of the conversation the server refused.
QString mailFailureReason(int curlCode, const QString &detail = {});
// Why the parser refused the arguments (the program's name first): an option without its value, a
// switch given one, an option nobody knows.
QString argumentsFailureReason(const QList<QCommandLineOption> &options, const QStringList &arguments);
