// A temporary program folder holding a fresh copy of the delivered database.
#pragma once

#include "store/Database.h"

#include <QDate>
#include <QString>
#include <QTemporaryDir>

class TempProgramFolder final {
public:
    // Copies the delivered database (built once per test process) into a new temporary folder.
    TempProgramFolder();

    QString path() const { return m_dir.path(); }
    QString databasePath() const;
    QString backupPath() const;
    // A second connection to the folder's database, for arranging rows and checking what was stored.
    Database open() const;
    // Adds parcels directly (company, number, goods); num is "0".
    void addParcel(const QString &company, const QString &number, const QString &goods) const;
    // Three parcels of the company signed for two days after they were accepted, weeks before `today`.
    void addDeliveredParcels(const QString &company, QDate today) const;
    // Grows the book past a mebibyte with 3,000 parcels, so its middle lies far from the first page.
    void addManyParcels() const;
    // Overwrites 20 KiB in the middle of the book: the first page still reads, so the book opens,
    // but the engine's check fails. False when the book is too small for that.
    bool damageMiddle() const;

private:
    QTemporaryDir m_dir;
};
