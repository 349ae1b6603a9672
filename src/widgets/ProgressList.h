// The progress list: the entries of the last parse, newest first, the newest in red.
#pragma once

#include "tracking/TrackingText.h"

#include <QList>
#include <QStringList>
#include <QTreeWidget>

#include <optional>

class ProgressList final : public QTreeWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressList)

public:
    explicit ProgressList(QWidget *parent);

    // Replaces the rows by these entries, numbered from 1, and selects the last (oldest) one while
    // the newest stays in view.
    void showEntries(const QList<ProgressEntry> &entries);
    void clearEntries();
    bool isEmpty() const { return m_entries.isEmpty(); }
    // Entry number, time and progress of every row, as the export writes them.
    QList<QStringList> rows() const;
    // The entry of the selected row; nothing when no row is selected.
    std::optional<ProgressEntry> selectedEntry() const;

Q_SIGNALS:
    // The rows were emptied or refilled: whatever was shown about an old row is stale.
    void entriesReplaced();

private:
    QList<ProgressEntry> m_entries;
};
