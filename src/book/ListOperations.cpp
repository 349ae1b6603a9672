// Clear, refresh and export.
#include "book/ListOperations.h"

#include "book/ParcelBook.h"
#include "store/BookFile.h"
#include "store/Database.h"
#include "store/ParcelStore.h"
#include "store/Schema.h"
#include "store/StoreError.h"
#include "text/ExportText.h"
#include "tracker/ParcelTracker.h"
#include "tracker/UserSettings.h"
#include "widgets/Feedback.h"
#include "widgets/ParcelPicker.h"
#include "widgets/ProgressList.h"
#include "widgets/StatusPanel.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

ListOperations::ListOperations(ParcelBook &book, BookFile &bookFile, ProgressList &list, StatusPanel &status,
                               const Feedback &feedback, const UserSettings &switches, QString programDir)
    : m_book(book)
    , m_bookFile(bookFile)
    , m_list(list)
    , m_status(status)
    , m_feedback(feedback)
    , m_switches(switches)
    , m_programDir(std::move(programDir)) {}

void ListOperations::clear() {
    if (!m_feedback.askBeforeDestroying(QStringLiteral("确定要清空快递列表吗?"))) {
        return;
    }
    m_feedback.hint(QStringLiteral("正在清空..."));
    // Without a copy of what is about to go, nothing goes.
    if (const Outcome<> kept = m_bookFile.keepGeneration(QStringLiteral("before-clear")); !kept) {
        m_feedback.hint(kept.failure().said(QStringLiteral("快递列表清空")));
        return;
    }
    {
        // A short-lived connection of its own, closed before the picker is touched.
        Outcome<Database> second = atTheDoor([this] {
            return Database::open(m_programDir + schema::databaseFile(), schema::databasePassword());
        });
        if (!second) {
            m_feedback.hint(second.failure().said(QStringLiteral("快递列表清空")));
            return;
        }
        second->setFeed(m_book.parcels().database().feed());
        if (const Outcome<> cleared = ParcelStore(*second).clear(); !cleared) {
            m_feedback.hint(cleared.failure().said(QStringLiteral("快递列表清空")));
            return;
        }
    }
    // Nothing follows a cleared parcel any longer: no query, no loop, no timed query.
    m_book.tracker().forgetAll();
    m_list.clearEntries();
    m_status.reset();
    m_feedback.hint(QStringLiteral("快递列表已清空..."));
}

void ListOperations::refresh() {
    if (!m_book.reloadPicker()) {
        return;
    }
    // The picker shows no parcel now, so neither do the list and the status panel.
    m_list.clearEntries();
    m_status.reset();
    if (m_switches.defaultQueryOn()) {
        m_book.pickFirst();
    }
    m_feedback.hint(QStringLiteral("快递列表已刷新.."));
}

void ListOperations::exportList() {
    if (m_list.isEmpty()) {
        m_feedback.inform(QStringLiteral("没有可导出的数据!"));
        return;
    }
    const std::optional<TrackedParcel> &current = m_book.tracker().current();
    const QString proposed =
        proposedExportFile(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                           QDir::homePath(), current ? current->number : QString());
    const std::optional<QString> file =
        m_feedback.dialogs().saveFileName(proposed, QStringLiteral("(TXT文本) (*.txt)"));
    if (!file) {
        m_feedback.hint(QStringLiteral("已取消保存"));
        return;
    }
    // A name typed without a suffix gets the one the filter offers.
    const QString target = QFileInfo(*file).suffix().isEmpty() ? *file + QStringLiteral(".txt") : *file;
    const QList<QStringList> rows = m_list.rows();
    const Outcome<Exported> result = ExportListViewContent(rows, target);
    if (!result) {
        m_feedback.inform(result.failure().said(QStringLiteral("数据导出")));
        m_feedback.hint(QStringLiteral("数据导出失败.."));
    } else if (*result == Exported::NoRows) {
        m_feedback.inform(QStringLiteral("没有可导出的数据!"));
        m_feedback.hint(QStringLiteral("没有可导出的数据.."));
    } else {
        m_feedback.inform(QStringLiteral("成功导出全部数据!"));
        m_feedback.hint(QStringLiteral("成功导出全部数据.."));
    }
}
