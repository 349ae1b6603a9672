// Guards and opens the database file.
#include "store/BookFile.h"

#include "store/ProgressStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/VectorRegisters.h"

BookFile::BookFile(QString programDir, QDate today)
    : m_copies(std::move(programDir), today) {}

BookFile::~BookFile() {
    if (m_opening.valid()) {
        m_opening.wait();
    }
    close();
}

void BookFile::openInBackground(std::function<void(Database &)> firstRead) {
    // The lock is taken at once, so a second copy knows before it shows anything.
    m_lockResult = lock();
    if (!*m_lockResult) {
        return;
    }
    m_opening = std::async(std::launch::async, [this, firstRead = std::move(firstRead)] {
        startWithCleanVectorRegisters();
        Outcome<> opened = openLocked();
        if (opened && firstRead) {
            firstRead(*m_database);
        }
        return opened;
    });
}

Outcome<> BookFile::open() {
    if (m_opening.valid()) {
        return m_opening.get();
    }
    if (isOpen()) {
        return {};
    }
    m_lockResult.reset();
    if (Outcome<> locked = lock(); !locked) {
        return locked;
    }
    return openLocked();
}

Outcome<> BookFile::lock() {
    // Held from an open that failed after it, or a restore.
    if (m_lock.held()) {
        return {};
    }
    Outcome<BookLock> taken = BookLock::take(databasePath());
    if (!taken) {
        // No file at the name: a book gone is recovered from a copy, as a damaged one is.
        if (taken.failure().kind == Failure::Kind::Damaged) {
            return troubled(taken.failure(), true);
        }
        return taken.failure();
    }
    m_lock = std::move(*taken);
    return {};
}

Failure BookFile::troubled(Failure cause, bool missing) {
    m_missing = missing;
    m_goodCopy = m_copies.newestGoodCopy();
    m_restoreOffer.clear();
    cause.kind = Failure::Kind::Damaged;
    if (!m_goodCopy.isEmpty()) {
        cause.reason += QStringLiteral(";") + m_copies.restoreByHand(m_goodCopy);
        m_restoreOffer = m_copies.restoreQuestion(m_goodCopy, missing);
    }
    return cause;
}

Outcome<> BookFile::openLocked() {
    try {
        // The first read rolls back a transaction a crash left half-written, so the copies taken
        // later are of a consistent book.
        Database db =
            Database::open(databasePath(), schema::databasePassword(), Database::RememberKey::BesideTheFile);
        for (const QString &table :
             {QStringLiteral("parcelbook"), QStringLiteral("list"), QStringLiteral("setting")}) {
            if (!db.hasTable(table)) {
                return troubled(Failure{QStringLiteral("文件已损坏(缺少数据表 %1)").arg(table), {}}, false);
            }
        }
        if (!ProgressStore::hasEveryTable(db)) {
            // An older book gains the tables this program keeps beside the parcel book, but only
            // once a checked copy of it as it was is kept: the change is never the first write to a
            // damaged book.
            if (const Outcome<> kept = m_copies.keepBeforeLayoutChange(); !kept) {
                if (kept.failure().kind == Failure::Kind::Damaged) {
                    return troubled(kept.failure(), false);
                }
                return Failure{QStringLiteral("需要为它增加数据表,但没能先保留它的副本,所以没有改动它:") +
                                   kept.failure().reason,
                               kept.failure().detail};
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
        const Failure failure{error.reason(), error.description()};
        if (error.meansDamage()) {
            return troubled(failure, false);
        }
        return failure;
    }
    m_missing = false;
    m_goodCopy.clear();
    m_restoreOffer.clear();
    return {};
}

void BookFile::refuseWrites() {
    if (m_database) {
        m_database->refuseWrites();
    }
}

CopyReport BookFile::keepCopies() {
    CopyReport report = m_copies.keepStartCopies();
    if (!report.damage.isEmpty()) {
        refuseWrites();
    }
    return report;
}

void BookFile::keepCopiesInBackground(std::function<void(const CopyReport &)> done) {
    m_keepingCopies = std::async(std::launch::async, [this, done = std::move(done)] {
        startWithCleanVectorRegisters();
        done(keepCopies());
    });
}

Outcome<> BookFile::keepGeneration(const QString &reason) {
    Outcome<> kept = m_copies.keepGeneration(reason);
    if (!kept && kept.failure().kind == Failure::Kind::Damaged) {
        refuseWrites();
    }
    return kept;
}

Outcome<> BookFile::restoreFrom(const QString &copy) {
    const bool wasOpen = isOpen();
    Outcome<BookCopies::Restored> restored = m_copies.restore(
        copy,
        [this] {
            if (m_database) {
                m_database->close();
            }
        },
        [this, wasOpen] {
            if (wasOpen) {
                // Back on the damaged book, which is still written no more.
                (void)openLocked();
                refuseWrites();
            }
        });
    if (!restored) {
        return restored.failure();
    }
    m_lock = std::move(restored->lock);
    m_lockResult = Outcome<>();
    m_keptAside = restored->keptAside;
    if (const Outcome<> opened = openLocked(); !opened) {
        return Failure{QStringLiteral("没能打开恢复的快递列表:") + opened.failure().reason,
                       opened.failure().detail, opened.failure().kind};
    }
    return {};
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
