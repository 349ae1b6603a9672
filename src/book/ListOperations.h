// The toolbar's list-wide operations: clear the parcel book, refresh the picker, export the progress.
#pragma once

#include <QObject>

struct WindowState;

class ListOperations final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListOperations)

public:
    ListOperations(WindowState &state, QObject *parent);

    // Empties the parcel table after a confirmation; the directory and the settings stay.
    void clear();
    // Reloads the picker; with "默认查询" on, the first parcel is queried.
    void refresh();
    // Writes the progress list to a GBK text file the user chooses.
    void exportList();

private:
    WindowState &m_state;
};
