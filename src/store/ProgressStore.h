// What the book knows of each parcel's last progress (status, newest entry, when it was checked, whether
// the user has seen it, every entry of its newest answer), and the background watch's preferences. Tables of
// their own beside the parcel book, added to an older book on its first open.
#pragma once

#include "store/ParcelId.h"
#include "text/Failure.h"
#include "text/ProgressEntry.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class Database;

struct ProgressRow {
    // The status word the window shows ("运送中", "派件中", "已签收").
    QString status;
    QString newest;
    QString newestTime;
    QDateTime checked;
    // New progress the user has not looked at yet.
    bool unseen = false;
};

// One line of the overview: a parcel of the book and its last known progress, if any (without when it
// was checked).
struct OverviewRow {
    ParcelId id;
    QString goods;
    QString number;
    QString company;
    std::optional<ProgressRow> progress;
    // From the kept entries: the second newest one's text (the newest is in progress) and the oldest
    // one's time, the courier's acceptance; empty where the book keeps no such entry.
    QString previousText;
    QString acceptedTime;
};

// A parcel of the book signed for: its courier, when the courier accepted it (its oldest entry) and
// when it was signed for (its newest entry), as the service wrote the times.
struct DeliveredParcel {
    QString company;
    QString acceptedTime;
    QString signedTime;
};

// One answer of a parcel as the book keeps it.
struct AnswerToStore {
    ParcelId parcel;
    // The parcel's new count of entries when the answer holds new progress; nothing otherwise.
    std::optional<qint64> newCount;
    ProgressRow row;
    QList<ProgressEntry> entries;
    // The user is looking at this progress: it is not kept unseen.
    bool seen = false;
};

class ProgressStore final {
public:
    explicit ProgressStore(Database &db);

    // Adds the progress and preference tables (and the trigger that takes a parcel's progress with
    // it) to a book that lacks them; a book that has them is left as it is. Throws StoreError.
    static void addMissingTables(Database &db);
    // Whether the book already holds everything addMissingTables() adds.
    static bool hasEveryTable(Database &db);

    // An answer of a parcel stored whole, in one transaction: its new count (when the progress is new),
    // the overview's row and the entries. The count is what makes progress new once, so without all of
    // them stored nothing is announced and the same progress comes again; and a pick never shows
    // entries of another answer than the row's. False when the parcel's row is gone.
    Outcome<bool> storeAnswer(const AnswerToStore &answer);
    // Notes a successful query. `newProgress` marks the row unseen; a row already unseen stays so
    // until the user looks at it.
    Outcome<> record(ParcelId parcel, const ProgressRow &row, bool newProgress);
    // The entries of the parcel's newest answer, newest first, in place of the ones kept before.
    Outcome<> replaceEntries(ParcelId parcel, const QList<ProgressEntry> &entries);
    // The entries kept by the last replaceEntries(), newest first; none for a parcel never answered.
    Outcome<QList<ProgressEntry>> entries(ParcelId parcel);
    // The user has looked at the parcel's progress.
    Outcome<> markSeen(ParcelId parcel);
    Outcome<std::optional<ProgressRow>> byParcel(ParcelId parcel);
    // Every parcel with its last known progress, in the order the parcels were added.
    Outcome<QList<OverviewRow>> overview();
    // Every parcel signed for whose entries are kept, in one statement over the whole book (the overview
    // finds the same parcels among its rows).
    Outcome<QList<DeliveredParcel>> deliveryHistory();
    // The parcels a watch queries: every one not known to be signed for.
    Outcome<QList<ParcelId>> notSignedFor();

    // The window's background watch: on or off, and every how many minutes (30 unless set).
    Outcome<bool> watchOn();
    Outcome<int> watchMinutes();
    // Both or neither: a watch half stored would tick at an interval the user never chose.
    Outcome<> setWatch(bool on, int minutes);
    // The local day the tracking service said its queries were used up; automatic queries (the
    // window's modes, a watch) send nothing more that day, whichever process heard it.
    Outcome<std::optional<QDate>> quotaUsedUpOn();
    Outcome<> setQuotaUsedUpOn(QDate day);
    // The last published version the user was told of, so each is told once; nothing before the first.
    Outcome<std::optional<QString>> versionShown();
    Outcome<> setVersionShown(const QString &version);

private:
    void writeRow(ParcelId parcel, const ProgressRow &row, bool newProgress);
    void writeEntries(ParcelId parcel, const QList<ProgressEntry> &entries);
    void writeSeen(ParcelId parcel);
    std::optional<QString> preference(const QString &name);
    void setPreference(const QString &name, const QString &value);

    Database &m_db;
};
