// Keeping, checking and putting back the copies of the book.
#include "store/BookCopies.h"

#include "store/BookGenerations.h"
#include "store/Database.h"
#include "store/DerivedKeys.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/FailureReason.h"
#include "text/SafeWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies taken before the program changed the book's layout lie beside the book, kept until the
// user removes them.
const QString beforeUpgrade = QStringLiteral("before-upgrade");

// A failed system call's cause in Chinese; the C library's words go to the log.
QString systemFailure(int error, FileAccess access) {
    return fileFailureReason(error, access, QString::fromLocal8Bit(std::strerror(error)));
}

// Makes the names just given in the folder last through a power cut.
void syncFolder(const QString &path) {
    const int folder = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// What the check found is in the engine's words: for the log, not for the user; its first lines say
// enough, a badly damaged book has one per page.
void logDamage(const QString &book, const QString &found) {
    qWarning("quick check of %s: %s", qPrintable(book), qPrintable(found.section(QLatin1Char('\n'), 0, 2)));
}

Failure notRestored(const Failure &why) {
    return Failure{QStringLiteral("没能恢复快递列表:") + why.reason, why.detail};
}

} // namespace

struct BookCopies::Snapshot {
    // Why no copy could be taken; empty when one was.
    Outcome<> taken;
    // What the quick check found wrong with the book; empty when it is whole.
    QString damage;
};

BookCopies::BookCopies(QString programDir, QDate today)
    : m_programDir(std::move(programDir))
    , m_today(today) {}

QString BookCopies::databasePath() const {
    return m_programDir + schema::databaseFile();
}

QString BookCopies::backupPath() const {
    return m_programDir + schema::backupFile();
}

QString BookCopies::generationsPath() const {
    return m_programDir + QStringLiteral("/db/backups");
}

QString BookCopies::bookFolder() const {
    return QFileInfo(databasePath()).absolutePath();
}

QString BookCopies::generationName(const QString &reason) const {
    return bookgenerations::name(m_today, reason);
}

BookCopies::Snapshot BookCopies::takeCheckedSnapshot(SafeWrite &writing) const {
    Snapshot snapshot;
    if (snapshot.taken = writing.begin(); !snapshot.taken) {
        return snapshot;
    }
    try {
        // A read transaction keeps every writer from committing until the copy is complete; they
        // wait for it on their busy timeout.
        Database reader = Database::open(databasePath(), schema::databasePassword());
        reader.exec(QStringLiteral("BEGIN"));
        reader.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        snapshot.taken = writing.copyFrom(databasePath());
        reader.exec(QStringLiteral("COMMIT"));
    } catch (const StoreError &error) {
        snapshot.taken = Failure{error.reason(), error.description()};
        return snapshot;
    }
    if (!snapshot.taken) {
        return snapshot;
    }
    if (snapshot.taken = writing.flush(); !snapshot.taken) {
        return snapshot;
    }
    // The check reads the copy, not the book, so the window's writes need not wait for it.
    try {
        snapshot.damage = Database::open(writing.temporaryPath(), schema::databasePassword()).quickCheck();
    } catch (const StoreError &error) {
        snapshot.damage = error.description();
    }
    return snapshot;
}

CopyReport BookCopies::keepStartCopies() {
    const std::lock_guard<std::mutex> copying(m_copying);
    CopyReport report;
    bookgenerations::OpenFolder folder(generationsPath());
    const Outcome<QString> folderPath = folder.open();
    removeStaleCopies(folderPath ? *folderPath : QString());
    SafeWrite backup(backupPath(), SafeWrite::Existing::Replace, SafeWrite::Readers::Owner);
    const Snapshot snapshot = takeCheckedSnapshot(backup);
    if (!snapshot.damage.isEmpty()) {
        report.goodCopy = newestGoodCopy();
        report.damage = damageMessage(snapshot.damage, report.goodCopy);
        if (!report.goodCopy.isEmpty()) {
            report.restoreOffer = restoreQuestion(report.goodCopy, false);
        }
    } else if (!snapshot.taken) {
        report.warnings.append(QStringLiteral("没能更新备份:") + snapshot.taken.failure().reason);
    } else {
        if (folderPath) {
            const QString name = generationName(QString());
            // One generation a day: a later start that day keeps the first.
            if (!QFileInfo::exists(*folderPath + QLatin1Char('/') + name)) {
                if (const Outcome<> kept = keepGenerationCopy(*folderPath, name, backup.temporaryPath());
                    !kept) {
                    report.warnings.append(QStringLiteral("没能保留今天的备份:") + kept.failure().reason);
                }
            }
        }
        if (const Outcome<> committed = backup.commit(); !committed) {
            report.warnings.append(QStringLiteral("没能更新备份:") + committed.failure().reason);
        }
    }
    if (!folderPath) {
        report.warnings.append(folderPath.failure().reason);
    }
    return report;
}

Outcome<> BookCopies::keepGenerationCopy(const QString &folderPath, const QString &name,
                                         const QString &checked) const {
    SafeWrite generation(folderPath + QLatin1Char('/') + name, SafeWrite::Existing::Keep,
                         SafeWrite::Readers::Owner, generationsPath() + QLatin1Char('/') + name);
    Outcome<> kept = generation.begin();
    if (kept) {
        kept = generation.copyFrom(checked);
    }
    if (kept) {
        kept = generation.commit();
    }
    if (kept) {
        bookgenerations::prune(folderPath);
    }
    return kept;
}

Outcome<> BookCopies::keepGeneration(const QString &reason) {
    const std::lock_guard<std::mutex> copying(m_copying);
    bookgenerations::OpenFolder folder(generationsPath());
    const Outcome<QString> folderPath = folder.open();
    if (!folderPath) {
        return folderPath.failure();
    }
    const QString name = generationName(reason);
    SafeWrite generation(*folderPath + QLatin1Char('/') + name, SafeWrite::Existing::Keep,
                         SafeWrite::Readers::Owner, generationsPath() + QLatin1Char('/') + name);
    const Snapshot snapshot = takeCheckedSnapshot(generation);
    if (!snapshot.damage.isEmpty()) {
        return Failure{damageMessage(snapshot.damage, newestGoodCopy()), snapshot.damage,
                       Failure::Kind::Damaged};
    }
    if (!snapshot.taken) {
        return snapshot.taken;
    }
    if (Outcome<> committed = generation.commit(); !committed) {
        return committed;
    }
    bookgenerations::prune(*folderPath);
    return {};
}

Outcome<> BookCopies::keepBeforeLayoutChange() {
    SafeWrite copy(bookFolder() + QLatin1Char('/') + generationName(beforeUpgrade), SafeWrite::Existing::Keep,
                   SafeWrite::Readers::Owner);
    const Snapshot snapshot = takeCheckedSnapshot(copy);
    if (!snapshot.damage.isEmpty()) {
        logDamage(databasePath(), snapshot.damage);
        return Failure{QStringLiteral("文件已损坏"), snapshot.damage, Failure::Kind::Damaged};
    }
    return snapshot.taken ? copy.commit() : snapshot.taken;
}

void BookCopies::removeStaleCopies(const QString &folderPath) const {
    // A copy killed midway leaves its temporary file; with the lock held, no other copy is running.
    const QString temporary = QStringLiteral(".??????");
    QDir books(bookFolder());
    for (const QString &name :
         books.entryList({QFileInfo(backupPath()).fileName() + temporary,
                          bookgenerations::prefix() + QStringLiteral("*.mdb") + temporary,
                          QFileInfo(databasePath()).fileName() + temporary},
                         QDir::Files)) {
        books.remove(name);
    }
    // A new book killed before it got its name (db/.parcelbook-XXXXXX).
    for (const QString &name :
         books.entryList({QStringLiteral(".parcelbook-??????")}, QDir::Files | QDir::Hidden)) {
        books.remove(name);
    }
    derivedkeys::removeStaleTemporaries(bookFolder(), QDateTime::currentDateTime());
    if (!folderPath.isEmpty()) {
        QDir generations(folderPath);
        for (const QString &name : generations.entryList(
                 {bookgenerations::prefix() + QStringLiteral("*.mdb") + temporary}, QDir::Files)) {
            generations.remove(name);
        }
    }
}

QString BookCopies::newestGoodCopy() const {
    // Every copy there is, newest first; the first that passes the check is the one to restore. A
    // generations folder that is a link leads elsewhere, and is not looked into.
    QFileInfoList copies;
    if (!QFileInfo(generationsPath()).isSymLink()) {
        copies = QDir(generationsPath())
                     .entryInfoList({bookgenerations::prefix() + QStringLiteral("*.mdb")},
                                    QDir::Files | QDir::NoSymLinks);
    }
    copies += QDir(bookFolder())
                  .entryInfoList({bookgenerations::prefix() + QStringLiteral("*-") + beforeUpgrade +
                                  QStringLiteral("-*.mdb")},
                                 QDir::Files | QDir::NoSymLinks);
    if (QFileInfo backup(backupPath()); backup.isFile() && !backup.isSymLink()) {
        copies.append(backup);
    }
    std::sort(copies.begin(), copies.end(),
              [](const QFileInfo &a, const QFileInfo &b) { return a.lastModified() > b.lastModified(); });
    for (const QFileInfo &copy : copies) {
        try {
            if (Database::open(copy.filePath(), schema::databasePassword()).quickCheck().isEmpty()) {
                return copy.filePath();
            }
        } catch (const StoreError &) {
            // Not readable either: an older copy may be.
        }
    }
    return {};
}

QString BookCopies::restoreByHand(const QString &good) const {
    return QStringLiteral("最近一份完好的备份是 %1:关闭岚舟包裹通后把它复制为 %2 即可恢复"
                          "(见 README 的“备份”一节)。")
        .arg(good, databasePath());
}

QString BookCopies::restoreQuestion(const QString &good, bool missing) const {
    const QString copy =
        QStringLiteral("最近一份完好的备份是 %1(%2)。")
            .arg(good, QFileInfo(good).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    if (missing) {
        return QStringLiteral("快递列表 %1 不见了,但它的备份还在。\n").arg(databasePath()) + copy +
               QStringLiteral("\n \n是否用这份备份恢复快递列表?");
    }
    return QStringLiteral("快递列表 %1 已损坏,程序不再写入它。\n").arg(databasePath()) + copy +
           QStringLiteral("\n \n是否用这份备份恢复快递列表?损坏的文件会改名留在它旁边,不会删除。");
}

QString BookCopies::damageMessage(const QString &found, const QString &good) const {
    logDamage(databasePath(), found);
    const QString said = QStringLiteral("快递列表 %1 已损坏,这次没有备份它,以免坏文件替换好的备份;"
                                        "程序也不再写入它。")
                             .arg(databasePath());
    return said + (good.isEmpty() ? QStringLiteral("没有找到完好的备份。") : restoreByHand(good));
}

Outcome<BookCopies::Restored> BookCopies::restore(const QString &copy, const std::function<void()> &letGo,
                                                  const std::function<void()> &takeBack) {
    const std::lock_guard<std::mutex> copying(m_copying);
    const QByteArray book = QFile::encodeName(databasePath());
    struct stat there {};
    const bool missing = ::lstat(book.constData(), &there) != 0 && errno == ENOENT;
    // A free name is linked, which fails rather than replaces a book that appeared meanwhile.
    SafeWrite restored(databasePath(), missing ? SafeWrite::Existing::Keep : SafeWrite::Existing::Replace,
                       SafeWrite::Readers::Owner);
    Outcome<> written = restored.begin();
    if (written) {
        written = restored.copyFrom(copy);
    }
    if (written) {
        written = restored.flush();
    }
    if (written) {
        try {
            if (!Database::open(restored.temporaryPath(), schema::databasePassword())
                     .quickCheck()
                     .isEmpty()) {
                written = Failure{QStringLiteral("备份 %1 没有通过检查").arg(copy), {}};
            }
        } catch (const StoreError &error) {
            written =
                Failure{QStringLiteral("备份 %1 打不开:%2").arg(copy, error.reason()), error.description()};
        }
    }
    if (!written) {
        return notRestored(written.failure());
    }
    // The restored file is locked before it gets the book's name, so no other copy of the program
    // ever finds it there unlocked; the lock lives on in a duplicate once the writer closes it.
    Outcome<BookLock> lock = BookLock::onOpenFile(restored.file().handle());
    if (!lock) {
        return notRestored(lock.failure());
    }
    // The damaged book keeps a second name beside it before the first is given to the copy.
    const QString aside = bookFolder() + QLatin1Char('/') + generationName(QStringLiteral("damaged"));
    const QByteArray asideName = QFile::encodeName(aside);
    if (!missing && ::link(book.constData(), asideName.constData()) != 0) {
        return notRestored(Failure{QStringLiteral("无法把损坏的文件另存为 %1:%2")
                                       .arg(aside, systemFailure(errno, FileAccess::Write)),
                                   {}});
    }
    letGo();
    // A journal left beside the old book would be played back into the restored one: it goes with
    // the old book.
    const QByteArray journal = book + "-journal";
    const QByteArray journalAside = asideName + "-journal";
    const bool journalMoved = ::rename(journal.constData(), journalAside.constData()) == 0;
    if (const Outcome<> committed = restored.commit(); !committed) {
        if (journalMoved) {
            ::rename(journalAside.constData(), journal.constData());
        }
        if (!missing) {
            ::unlink(asideName.constData());
        }
        *lock = BookLock();
        takeBack();
        return notRestored(committed.failure());
    }
    syncFolder(bookFolder());
    return Restored{std::move(*lock), missing ? QString() : aside};
}
