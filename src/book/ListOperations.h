// The toolbar's list-wide operations: clear the parcel book, refresh the picker, export the progress.
#pragma once

#include <QString>

class BookFile;
class Feedback;
class ParcelBook;
class ProgressList;
class StatusPanel;
class UserSettings;

class ListOperations final {
public:
    // bookFile keeps the generation a clear writes first.
    ListOperations(ParcelBook &book, BookFile &bookFile, ProgressList &list, StatusPanel &status,
                   const Feedback &feedback, const UserSettings &switches, QString programDir);

    // Empties the parcel table after a confirmation, once a copy of the book as it was is kept; the
    // directory and the settings stay.
    void clear();
    // Reloads the picker; with "默认查询" on, the first parcel is queried.
    void refresh();
    // Writes the progress list to a GBK text file the user chooses.
    void exportList();

private:
    ParcelBook &m_book;
    BookFile &m_bookFile;
    ProgressList &m_list;
    StatusPanel &m_status;
    const Feedback &m_feedback;
    const UserSettings &m_switches;
    QString m_programDir;
};
