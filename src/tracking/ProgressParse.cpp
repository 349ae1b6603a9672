// Progress parsing and delivery status.
#include "tracking/ProgressParse.h"

#include "book/StatusPanel.h"
#include "shell/WindowState.h"
#include "tracking/ChangeDetection.h"

#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

ProgressParse::ProgressParse(WindowState &state, ChangeDetection &changes, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_changes(changes) {
    connect(m_state.timer1, &QTimer::timeout, this, &ProgressParse::parse);
}

int ProgressParse::hx2() {
    // The count is this answer's own, so an earlier parse dropped by a return to idle cannot
    // add phantom rows to this one.
    const int count = tracking::countEntries(m_state.query.answerText);
    m_state.counters[counter::entryCount] = static_cast<std::int16_t>(std::min(count, 32767));
    if (count > 0) {
        m_state.timer1->start();
    }
    return count;
}

void ProgressParse::ql() {
    m_state.counters[counter::entryCount] = 0;
    m_state.query.answerText.clear();
}

void ProgressParse::parse() {
    QTreeWidget *list = m_state.progressList;
    list->setEnabled(true);
    const QList<ProgressEntry> entries =
        tracking::parseEntries(m_state.query.answerText, m_state.counters[counter::entryCount]);
    QList<QTreeWidgetItem *> rows;
    rows.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        rows.append(new QTreeWidgetItem({QString::number(i + 1), entries[i].time, entries[i].context}));
    }
    // Replaces what an overlapping query may have listed, so no entry ever shows twice.
    list->clear();
    list->addTopLevelItems(rows);
    m_state.timer1->stop();
    if (QTreeWidgetItem *newest = list->topLevelItem(0)) {
        for (int column = 0; column < 3; ++column) {
            newest->setForeground(column, Qt::red);
        }
    }
    ql();
    m_state.query.rowCount = static_cast<std::int16_t>(std::min(list->topLevelItemCount(), 32767));

    std::int64_t soFar = 0;
    std::int64_t toLast = 0;
    if (const QTreeWidgetItem *oldest = list->topLevelItem(list->topLevelItemCount() - 1)) {
        const QString accepted = oldest->text(1);
        soFar = tracking::secondsBetween(accepted, m_state.platform.clock->now()).value_or(0);
        if (const auto newest = tracking::readTime(list->topLevelItem(0)->text(1))) {
            toLast = tracking::secondsBetween(accepted, *newest).value_or(0);
        }
    }
    m_state.showBusy(false);
    m_state.timer7->stop();
    m_state.setHint(QStringLiteral("查询完毕..."));
    m_state.statusPanel->company()->setText(m_state.current.company);
    m_state.unlockAfterQuery();
    if (QTreeWidgetItem *last = list->topLevelItem(list->topLevelItemCount() - 1)) {
        list->setCurrentItem(last);
    }

    QList<ProgressEntry> shown;
    for (int row = 0; row < std::min(2, list->topLevelItemCount()); ++row) {
        shown.append({list->topLevelItem(row)->text(1), list->topLevelItem(row)->text(2)});
    }
    const DeliveryStatus status = tracking::classify(shown);
    m_state.statusPanel->parcelStatus()->setText(tracking::statusWord(status));
    m_state.statusPanel->transitTime()->setText(
        tracking::transitText(status == DeliveryStatus::SignedFor ? toLast : soFar));
    m_state.timer1->stop();
    m_changes.gxtj();
}
