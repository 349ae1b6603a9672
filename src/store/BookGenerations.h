// The dated generations of the book: their names, the folder that holds them, and which are kept.
#pragma once

#include "text/Failure.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace bookgenerations {

// Every copy of the book kept under a date starts so ("parcelbook-").
QString prefix();
// "parcelbook-2026-12-08.mdb", or with the reason and the time of day:
// "parcelbook-2026-12-08-before-clear-093000123.mdb". Names sort in date order.
QString name(QDate day, const QString &reason);
// The generations the keep rule drops of the names in the folder: the newest seven days are kept,
// and of the copies taken before a clear the newest ten.
QStringList surplus(const QStringList &names);
// Removes the surplus from the folder.
void prune(const QString &folderPath);

// The generations folder opened for writing: created 0700 and never followed through a symbolic
// link. Closed when it goes, after everything written through it.
class OpenFolder final {
public:
    explicit OpenFolder(QString path)
        : m_path(std::move(path)) {}
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
    ~OpenFolder();

    // A path that reaches the folder through the opened folder itself, so a name swapped for a link
    // meanwhile is never followed.
    Outcome<QString> open();

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace bookgenerations
