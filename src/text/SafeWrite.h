// Writing a file only where it is safe: a new name or a regular file, never a device, a pipe, a
// socket, a folder or a symbolic link; the content lands whole or not at all.
#pragma once

#include "text/Failure.h"

#include <QFile>
#include <QString>

#include <memory>

class QTemporaryFile;

class SafeWrite final {
public:
    // Whether a regular file already there may be replaced, or must be kept (the name must be new).
    // Supersede is for the program's own private files: whatever is at the name (a link, a pipe) is
    // replaced, never followed or written into; only a folder is left as it is.
    enum class Existing { Replace, Keep, Supersede };
    // Who may read the file: its owner only (copies of the book), or as the user's files usually are.
    enum class Readers { Owner, Usual };

    // Messages name the target as `shownAs` when given: the real path of a target reached through
    // an opened folder (/proc/self/fd/…).
    SafeWrite(QString target, Existing existing, Readers readers, const QString &shownAs = {});
    SafeWrite(const SafeWrite &) = delete;
    SafeWrite &operator=(const SafeWrite &) = delete;
    // Without commit() the temporary file goes and the target stays as it was.
    ~SafeWrite();

    // Whether the target may be written; why not names it as `shownAs` or itself.
    static Outcome<> writable(const QString &target, Existing existing, const QString &shownAs = {});
    // Checks the target and creates the temporary file beside it.
    Outcome<> begin();
    // The temporary file, open for writing, after a successful begin().
    QFile &file();
    QString temporaryPath() const;
    // Hands what is written to the temporary file to the system, so another reader of it sees it
    // all.
    Outcome<> flush();
    // Flushes the content to the disk and puts it in the target's place.
    Outcome<> commit();

    // Writes the bytes to the target the safe way.
    static Outcome<> write(const QString &target, const QByteArray &bytes, Existing existing,
                           Readers readers);
    // Copies the source file's bytes into the temporary file, after a successful begin(). The source
    // must be a regular file.
    Outcome<> copyFrom(const QString &source);

private:
    QString m_target;
    QString m_shown;
    Existing m_existing;
    Readers m_readers;
    std::unique_ptr<QTemporaryFile> m_file;
};
