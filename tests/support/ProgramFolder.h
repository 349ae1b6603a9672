// A temporary program folder holding a fresh copy of the delivered database.
#pragma once

#include "store/Database.h"

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

private:
    QTemporaryDir m_dir;
};
