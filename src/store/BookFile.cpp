// Guards and opens the database file.
#include "store/BookFile.h"

#include "store/DerivedKeys.h"
#include "store/ProgressStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/FailureReason.h"
#include "text/RegularFile.h"
#include "text/SafeWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Qt's AVX2 fill behind QImage::fill returns without clearing the upper halves of the vector
// registers, and a thread inherits them from the thread that starts it. While they are dirty every
// SSE instruction waits on them, and the key derivation (SHA-1 rounds in SSE) takes twice as long.
#if defined(__x86_64__)
__attribute__((target("avx"))) void clearUpperHalves() {
    _mm256_zeroupper();
}
#endif

void startWithCleanVectorRegisters() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx")) {
        clearUpperHalves();
    }
#endif
}

} // namespace

namespace {

constexpr int keptDays = 7;
constexpr qsizetype keptBeforeClear = 10;
const QString generationPrefix = QStringLiteral("parcelbook-");

// Generations sort by name in date order: parcelbook-2026-12-08.mdb, parcelbook-2026-12-08-before-clear-…
QDate generationDate(const QString &name) {
    return QDate::fromString(name.mid(generationPrefix.size(), 10), QStringLiteral("yyyy-MM-dd"));
}

// An open folder, closed when it goes: after everything written through it.
struct OpenFolder {
    int fd = -1;
    OpenFolder() = default;
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
    ~OpenFolder() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// A failed system call's cause in Chinese; the C library's words go to the log.
QString systemFailure(int error, FileAccess access) {
    return fileFailureReason(error, access, QString::fromLocal8Bit(std::strerror(error)));
}

// Makes the names just given in the folder last through a power cut.
void syncFolder(const QString &path) {
    OpenFolder folder;
    folder.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder.fd >= 0) {
        ::fsync(folder.fd);
    }
}

// Copies taken before the program changed the book's layout lie beside the book, kept until the
// user removes them.
const QString beforeUpgrade = QStringLiteral("before-upgrade");

} // namespace

struct BookFile::Snapshot {
    // Why no copy could be taken; empty when one was.
    QString failure;
    // What the quick check found wrong with the book; empty when it is whole.
    QString damage;
};

BookFile::BookFile(QString programDir, QDate today)
    : m_programDir(std::move(programDir))
    , m_today(today) {}

BookFile::~BookFile() {
    if (m_opening.valid()) {
        m_opening.wait();
    }
    close();
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

QString BookFile::databasePath() const {
    return m_programDir + schema::databaseFile();
}

QString BookFile::backupPath() const {
    return m_programDir + schema::backupFile();
}

QString BookFile::generationsPath() const {
    return m_programDir + QStringLiteral("/db/backups");
}

QString BookFile::bookFolder() const {
    return QFileInfo(databasePath()).absolutePath();
}

void BookFile::openInBackground(std::function<void(Database &)> firstRead) {
    // The lock is taken at once, so a second copy knows before it shows anything.
    m_lockResult = lock();
    if (m_lockResult != OpenResult::Opened) {
        return;
    }
    m_opening = std::async(std::launch::async, [this, firstRead = std::move(firstRead)] {
        startWithCleanVectorRegisters();
        const OpenResult opened = openLocked();
        if (opened == OpenResult::Opened && firstRead) {
            firstRead(*m_database);
        }
        return opened;
    });
}

std::optional<BookFile::OpenResult> BookFile::lockResult() const {
    return m_lockResult;
}

BookFile::OpenResult BookFile::open() {
    if (m_opening.valid()) {
        return m_opening.get();
    }
    if (isOpen()) {
        return OpenResult::Opened;
    }
    m_lockResult.reset();
    const OpenResult locked = lock();
    return locked == OpenResult::Opened ? openLocked() : locked;
}

BookFile::OpenResult BookFile::lock() {
    m_troubled = false;
    // Held from an open that failed after it, or a restore.
    if (m_lockFd >= 0) {
        return OpenResult::Opened;
    }
    const QByteArray path = QFile::encodeName(databasePath());
    // A restore by another copy may give the name a new file between the open and the lock: the
    // lock only counts on the file the name holds once it is taken.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Never through a link, never waiting on a pipe: only a regular file is the book.
        m_lockFd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (m_lockFd < 0) {
            const int error = errno;
            if (error == ENOENT) {
                return troubled(systemFailure(error, FileAccess::Read), true);
            }
            m_failure = error == ELOOP ? QStringLiteral("这是符号链接,不是普通文件")
                                       : systemFailure(error, FileAccess::Read);
            return OpenResult::Failed;
        }
        struct stat opened {};
        if (::fstat(m_lockFd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            m_failure = S_ISDIR(opened.st_mode)
                            ? systemFailure(EISDIR, FileAccess::Read)
                            : QStringLiteral("这是%1,不是普通文件").arg(nonRegularKind(opened.st_mode));
            ::close(m_lockFd);
            m_lockFd = -1;
            return OpenResult::Failed;
        }
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(m_lockFd);
            m_lockFd = -1;
            if (error == EWOULDBLOCK) {
                return OpenResult::AlreadyRunning;
            }
            m_failure = systemFailure(error, FileAccess::Read);
            return OpenResult::Failed;
        }
        struct stat named {};
        if (::lstat(path.constData(), &named) == 0 && named.st_ino == opened.st_ino &&
            named.st_dev == opened.st_dev) {
            return OpenResult::Opened;
        }
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    m_failure = QStringLiteral("文件正被替换,请稍后再试");
    return OpenResult::Failed;
}

BookFile::OpenResult BookFile::troubled(const QString &cause, bool missing) {
    m_troubled = true;
    m_missing = missing;
    m_goodCopy = newestGoodCopy();
    m_failure = cause;
    m_restoreOffer.clear();
    if (!m_goodCopy.isEmpty()) {
        m_failure += QStringLiteral(";") + restoreByHand(m_goodCopy);
        m_restoreOffer = restoreQuestion(m_goodCopy, missing);
    }
    return OpenResult::Failed;
}

BookFile::OpenResult BookFile::openLocked() {
    try {
        // The first read rolls back a transaction a crash left half-written, so the copies taken
        // later are of a consistent book.
        Database db =
            Database::open(databasePath(), schema::databasePassword(), Database::RememberKey::BesideTheFile);
        for (const QString &table :
             {QStringLiteral("parcelbook"), QStringLiteral("list"), QStringLiteral("setting")}) {
            if (!db.hasTable(table)) {
                return troubled(QStringLiteral("文件已损坏(缺少数据表 %1)").arg(table), false);
            }
        }
        if (!ProgressStore::hasEveryTable(db)) {
            // An older book gains the tables this program keeps beside the parcel book, but only
            // once a checked copy of it as it was is kept: the change is never the first write to a
            // damaged book, and an older program can still read the copy.
            SafeWrite copy(bookFolder() + QLatin1Char('/') + generationName(beforeUpgrade),
                           SafeWrite::Existing::Keep, SafeWrite::Readers::Owner);
            const Snapshot snapshot = takeCheckedSnapshot(copy);
            if (!snapshot.damage.isEmpty()) {
                qWarning("quick check of %s: %s", qPrintable(databasePath()),
                         qPrintable(snapshot.damage.section(QLatin1Char('\n'), 0, 2)));
                return troubled(QStringLiteral("文件已损坏"), false);
            }
            const QString failed = snapshot.failure.isEmpty() ? copy.commit() : snapshot.failure;
            if (!failed.isEmpty()) {
                m_failure =
                    QStringLiteral("需要为它增加数据表,但没能先保留它的副本,所以没有改动它:") + failed;
                return OpenResult::Failed;
            }
            ProgressStore::addMissingTables(db);
        }
        // A restore reopens the book in the same object, so whoever holds it reads the new file and
        // whoever follows it hears the new file's changes.
        if (m_database) {
            db.setFeed(m_database->feed());
            *m_database = std::move(db);
        } else {
            m_database.emplace(std::move(db));
        }
    } catch (const StoreError &error) {
        if (error.meansDamage()) {
            return troubled(error.reason(), false);
        }
        m_failure = error.reason();
        return OpenResult::Failed;
    }
    m_missing = false;
    m_goodCopy.clear();
    m_restoreOffer.clear();
    return OpenResult::Opened;
}

BookFile::Snapshot BookFile::takeCheckedSnapshot(SafeWrite &writing) const {
    Snapshot snapshot;
    if (snapshot.failure = writing.begin(); !snapshot.failure.isEmpty()) {
        return snapshot;
    }
    try {
        // A read transaction keeps every writer from committing until the copy is complete; they
        // wait for it on their busy timeout.
        Database reader = Database::open(databasePath(), schema::databasePassword());
        reader.exec(QStringLiteral("BEGIN"));
        reader.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        snapshot.failure = writing.copyFrom(databasePath());
        reader.exec(QStringLiteral("COMMIT"));
    } catch (const StoreError &error) {
        snapshot.failure = error.reason();
        return snapshot;
    }
    if (!snapshot.failure.isEmpty()) {
        return snapshot;
    }
    if (snapshot.failure = writing.flush(); !snapshot.failure.isEmpty()) {
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

CopyReport BookFile::keepCopies() {
    const std::lock_guard<std::mutex> copying(m_copying);
    CopyReport report;
    OpenFolder folder;
    QString folderProblem;
    const QString folderPath = openGenerationsFolder(folder.fd, folderProblem);
    removeStaleCopies(folderPath);
    SafeWrite backup(backupPath(), SafeWrite::Existing::Replace, SafeWrite::Readers::Owner);
    const Snapshot snapshot = takeCheckedSnapshot(backup);
    if (!snapshot.damage.isEmpty()) {
        report.goodCopy = newestGoodCopy();
        report.damage = damageMessage(snapshot.damage, report.goodCopy);
        if (!report.goodCopy.isEmpty()) {
            report.restoreOffer = restoreQuestion(report.goodCopy, false);
        }
    } else if (!snapshot.failure.isEmpty()) {
        report.warnings.append(QStringLiteral("没能更新备份:") + snapshot.failure);
    } else {
        if (!folderPath.isEmpty()) {
            const QString name = generationName(QString());
            // One generation a day: a later start that day keeps the first.
            if (!QFileInfo::exists(folderPath + QLatin1Char('/') + name)) {
                if (const QString failed = keepGenerationCopy(folderPath, name, backup.temporaryPath());
                    !failed.isEmpty()) {
                    report.warnings.append(QStringLiteral("没能保留今天的备份:") + failed);
                }
            }
        }
        if (const QString failed = backup.commit(); !failed.isEmpty()) {
            report.warnings.append(QStringLiteral("没能更新备份:") + failed);
        }
    }
    if (!folderProblem.isEmpty()) {
        report.warnings.append(folderProblem);
    }
    return report;
}

void BookFile::keepCopiesInBackground(std::function<void(const CopyReport &)> done) {
    m_keepingCopies = std::async(std::launch::async, [this, done = std::move(done)] {
        startWithCleanVectorRegisters();
        done(keepCopies());
    });
}

QString BookFile::openGenerationsFolder(int &folder, QString &problem) const {
    const QByteArray path = QFile::encodeName(generationsPath());
    // mkdir never follows a symbolic link; an existing name of any kind is left as it is.
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        problem = QStringLiteral("无法创建备份文件夹 %1:%2")
                      .arg(generationsPath(), systemFailure(errno, FileAccess::Write));
        return {};
    }
    folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        problem = errno == ELOOP || errno == ENOTDIR
                      ? QStringLiteral("备份文件夹 %1 不是文件夹(是符号链接或文件),没有在那里保留备份")
                            .arg(generationsPath())
                      : QStringLiteral("无法打开备份文件夹 %1:%2")
                            .arg(generationsPath(), systemFailure(errno, FileAccess::Read));
        return {};
    }
    if (::fchmod(folder, 0700) != 0) {
        problem = QStringLiteral("无法设置备份文件夹 %1 的权限:%2")
                      .arg(generationsPath(), systemFailure(errno, FileAccess::Write));
        ::close(folder);
        folder = -1;
        return {};
    }
    // Everything below goes through the opened folder, so a name swapped for a link meanwhile is
    // never followed.
    return QStringLiteral("/proc/self/fd/%1").arg(folder);
}

QString BookFile::generationName(const QString &reason) const {
    QString name = generationPrefix + m_today.toString(QStringLiteral("yyyy-MM-dd"));
    if (!reason.isEmpty()) {
        name += QLatin1Char('-') + reason + QLatin1Char('-') +
                QTime::currentTime().toString(QStringLiteral("HHmmsszzz"));
    }
    return name + QStringLiteral(".mdb");
}

QString BookFile::keepGenerationCopy(const QString &folderPath, const QString &name,
                                     const QString &checked) const {
    SafeWrite generation(folderPath + QLatin1Char('/') + name, SafeWrite::Existing::Keep,
                         SafeWrite::Readers::Owner, generationsPath() + QLatin1Char('/') + name);
    QString failed = generation.begin();
    if (failed.isEmpty()) {
        failed = generation.copyFrom(checked);
    }
    if (failed.isEmpty()) {
        failed = generation.commit();
    }
    if (failed.isEmpty()) {
        pruneGenerations(folderPath);
    }
    return failed;
}

bool BookFile::keepGeneration(const QString &reason) {
    const std::lock_guard<std::mutex> copying(m_copying);
    OpenFolder folder;
    QString problem;
    const QString folderPath = openGenerationsFolder(folder.fd, problem);
    if (folderPath.isEmpty()) {
        m_failure = problem;
        return false;
    }
    const QString name = generationName(reason);
    SafeWrite generation(folderPath + QLatin1Char('/') + name, SafeWrite::Existing::Keep,
                         SafeWrite::Readers::Owner, generationsPath() + QLatin1Char('/') + name);
    const Snapshot snapshot = takeCheckedSnapshot(generation);
    m_failure =
        !snapshot.damage.isEmpty() ? damageMessage(snapshot.damage, newestGoodCopy()) : snapshot.failure;
    if (m_failure.isEmpty()) {
        m_failure = generation.commit();
    }
    if (m_failure.isEmpty()) {
        pruneGenerations(folderPath);
    }
    return m_failure.isEmpty();
}

void BookFile::pruneGenerations(const QString &folderPath) {
    QDir folder(folderPath);
    const QStringList names =
        folder.entryList({generationPrefix + QStringLiteral("*.mdb")}, QDir::Files, QDir::Name);
    QList<QDate> days;
    QStringList beforeClear;
    for (const QString &name : names) {
        const QDate day = generationDate(name);
        if (day.isValid() && !days.contains(day)) {
            days.append(day);
        }
        if (day.isValid() && name.contains(QStringLiteral("-before-clear-"))) {
            beforeClear.append(name);
        }
    }
    std::sort(days.begin(), days.end());
    const QDate oldestKept = days.size() > keptDays ? days.at(days.size() - keptDays) : QDate();
    for (const QString &name : names) {
        const QDate day = generationDate(name);
        if (day.isValid() && oldestKept.isValid() && day < oldestKept) {
            folder.remove(name);
        }
    }
    // Named by date and time, so the oldest sort first.
    for (qsizetype i = 0; i + keptBeforeClear < beforeClear.size(); ++i) {
        folder.remove(beforeClear.at(i));
    }
}

void BookFile::removeStaleCopies(const QString &folderPath) const {
    // A copy killed midway leaves its temporary file; with the lock held, no other copy is running.
    const QString temporary = QStringLiteral(".??????");
    QDir books(bookFolder());
    for (const QString &name : books.entryList({QFileInfo(backupPath()).fileName() + temporary,
                                                generationPrefix + QStringLiteral("*.mdb") + temporary,
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
        for (const QString &name :
             generations.entryList({generationPrefix + QStringLiteral("*.mdb") + temporary}, QDir::Files)) {
            generations.remove(name);
        }
    }
}

QString BookFile::newestGoodCopy() const {
    // Every copy there is, newest first; the first that passes the check is the one to restore. A
    // generations folder that is a link leads elsewhere, and is not looked into.
    QFileInfoList copies;
    if (!QFileInfo(generationsPath()).isSymLink()) {
        copies =
            QDir(generationsPath())
                .entryInfoList({generationPrefix + QStringLiteral("*.mdb")}, QDir::Files | QDir::NoSymLinks);
    }
    copies += QDir(bookFolder())
                  .entryInfoList(
                      {generationPrefix + QStringLiteral("*-") + beforeUpgrade + QStringLiteral("-*.mdb")},
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

QString BookFile::restoreByHand(const QString &good) const {
    return QStringLiteral("最近一份完好的备份是 %1:关闭岚舟包裹通后把它复制为 %2 即可恢复"
                          "(见 README 的“备份”一节)。")
        .arg(good, databasePath());
}

QString BookFile::restoreQuestion(const QString &good, bool missing) const {
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

QString BookFile::damageMessage(const QString &found, const QString &good) {
    // Not one more write: a write to a damaged file can spread the damage to pages still whole.
    if (m_database) {
        m_database->refuseWrites();
    }
    // What the check found is in the engine's words: for the log, not for the user; its first lines
    // say enough, a badly damaged book has one per page.
    qWarning("quick check of %s: %s", qPrintable(databasePath()),
             qPrintable(found.section(QLatin1Char('\n'), 0, 2)));
    const QString said = QStringLiteral("快递列表 %1 已损坏,这次没有备份它,以免坏文件替换好的备份;"
                                        "程序也不再写入它。")
                             .arg(databasePath());
    return said + (good.isEmpty() ? QStringLiteral("没有找到完好的备份。") : restoreByHand(good));
}

QString BookFile::restoreFrom(const QString &copy) {
    const std::lock_guard<std::mutex> copying(m_copying);
    const QByteArray book = QFile::encodeName(databasePath());
    struct stat there {};
    const bool missing = ::lstat(book.constData(), &there) != 0 && errno == ENOENT;
    // A free name is linked, which fails rather than replaces a book that appeared meanwhile.
    SafeWrite restored(databasePath(), missing ? SafeWrite::Existing::Keep : SafeWrite::Existing::Replace,
                       SafeWrite::Readers::Owner);
    QString failed = restored.begin();
    if (failed.isEmpty()) {
        failed = restored.copyFrom(copy);
    }
    if (failed.isEmpty()) {
        failed = restored.flush();
    }
    if (failed.isEmpty()) {
        try {
            if (!Database::open(restored.temporaryPath(), schema::databasePassword())
                     .quickCheck()
                     .isEmpty()) {
                failed = QStringLiteral("备份 %1 没有通过检查").arg(copy);
            }
        } catch (const StoreError &error) {
            failed = QStringLiteral("备份 %1 打不开:%2").arg(copy, error.reason());
        }
    }
    if (!failed.isEmpty()) {
        return QStringLiteral("没能恢复快递列表:") + failed;
    }
    // The restored file is locked before it gets the book's name, so no other copy of the program
    // ever finds it there unlocked; the lock lives on in the duplicate once the writer closes it.
    const int restoredLock = ::fcntl(restored.file().handle(), F_DUPFD_CLOEXEC, 0);
    if (restoredLock < 0 || ::flock(restoredLock, LOCK_EX | LOCK_NB) != 0) {
        failed = systemFailure(errno, FileAccess::Write);
        if (restoredLock >= 0) {
            ::close(restoredLock);
        }
        return QStringLiteral("没能恢复快递列表:") + failed;
    }
    // The damaged book keeps a second name beside it before the first is given to the copy.
    const QString aside = bookFolder() + QLatin1Char('/') + generationName(QStringLiteral("damaged"));
    const QByteArray asideName = QFile::encodeName(aside);
    if (!missing && ::link(book.constData(), asideName.constData()) != 0) {
        failed = QStringLiteral("无法把损坏的文件另存为 %1:%2")
                     .arg(aside, systemFailure(errno, FileAccess::Write));
        ::close(restoredLock);
        return QStringLiteral("没能恢复快递列表:") + failed;
    }
    const bool wasOpen = isOpen();
    if (m_database) {
        m_database->close();
    }
    // A journal left beside the old book would be played back into the restored one: it goes with
    // the old book.
    const QByteArray journal = book + "-journal";
    const QByteArray journalAside = asideName + "-journal";
    const bool journalMoved = ::rename(journal.constData(), journalAside.constData()) == 0;
    if (failed = restored.commit(); !failed.isEmpty()) {
        if (journalMoved) {
            ::rename(journalAside.constData(), journal.constData());
        }
        if (!missing) {
            ::unlink(asideName.constData());
        }
        ::close(restoredLock);
        if (wasOpen) {
            // Back on the damaged book, which is still written no more.
            openLocked();
            m_database->refuseWrites();
        }
        return QStringLiteral("没能恢复快递列表:") + failed;
    }
    syncFolder(bookFolder());
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
    m_lockFd = restoredLock;
    m_lockResult = OpenResult::Opened;
    m_keptAside = missing ? QString() : aside;
    return openLocked() == OpenResult::Opened ? QString()
                                              : QStringLiteral("没能打开恢复的快递列表:") + m_failure;
}

void BookFile::close() {
    // The copies being kept finish first, so nothing but the lock holds the book afterwards.
    if (m_keepingCopies.valid()) {
        m_keepingCopies.wait();
    }
    if (m_database) {
        m_database->close();
    }
}
