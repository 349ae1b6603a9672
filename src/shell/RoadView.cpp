// The tracker's values rendered in the window.
#include "shell/RoadView.h"

#include "book/ParcelBook.h"
#include "store/ParcelStore.h"
#include "tracker/ParcelTracker.h"
#include "tracker/UserSettings.h"
#include "widgets/Feedback.h"
#include "widgets/PageSet.h"
#include "widgets/ParcelPicker.h"
#include "widgets/ProgressList.h"
#include "widgets/StatusPanel.h"
#include "widgets/WindowLock.h"

RoadView::RoadView(Collaborators collaborators, std::function<void()> returnToIdle, QObject *parent)
    : QObject(parent)
    , m_with(collaborators)
    , m_returnToIdle(std::move(returnToIdle)) {
    ParcelTracker &tracker = m_with.book.tracker();
    connect(&tracker, &ParcelTracker::hint, this,
            [this](const QString &text) { m_with.feedback.hint(text); });
    // The list and the status panel show the current parcel alone: nothing of another one, ever.
    connect(&tracker, &ParcelTracker::parcelSelected, this, &RoadView::showNothingKnown);
    connect(&tracker, &ParcelTracker::queryStarted, this, [this, &tracker](const TrackedParcel &parcel) {
        m_with.pages.hideAll();
        m_with.lock.lock();
        m_with.lock.showBusy(true);
        // A query of the current parcel leaves what the book kept of it in view until the answer
        // replaces it; an add has nothing to show until it is stored and picked.
        if (!tracker.current() || tracker.current()->id != parcel.id) {
            showNothingKnown();
        }
    });
    connect(&tracker, &ParcelTracker::storedProgressShown, this, &RoadView::showProgress);
    connect(&tracker, &ParcelTracker::progressShown, this, &RoadView::showProgress);
    connect(&tracker, &ParcelTracker::queryEnded, this, [this] {
        m_with.lock.showBusy(false);
        m_with.lock.release();
    });
    connect(&tracker, &ParcelTracker::gaveUp, this, [this] {
        m_returnToIdle();
        m_with.feedback.inform(
            QStringLiteral("程序自动检测快递异常!\n \n可能存在以下问题：\n1.网络异常\n2."
                           "快递公司异常\n4.当前快递单号已失效\n5.单号或对应快递公司错误\n \n"
                           "请您稍后重试"));
    });
    // The picker already lists the parcel: the book's feed said it was added.
    connect(&tracker, &ParcelTracker::parcelAdded, this, [this](ParcelId id, bool query) {
        if (query) {
            m_with.book.pickParcel(id);
        }
    });
    connect(&tracker, &ParcelTracker::alreadyInBook, this, &RoadView::listDuplicates);
    connect(&tracker, &ParcelTracker::parcelRemoved, this, [this, &tracker](ParcelId id, bool byUser) {
        // A removal made here was followed already; one found (another program deleted the row) was
        // said by nobody.
        if (m_with.book.picker().indexOf(id) >= 0) {
            static_cast<void>(m_with.book.reloadPicker());
        }
        if (!tracker.current()) {
            showNothingKnown();
        }
        if (byUser && m_with.switches.defaultQueryOn()) {
            m_with.book.pickFirst();
        }
    });
}

void RoadView::showNothingKnown() {
    m_with.list.clearEntries();
    m_with.status.reset();
}

void RoadView::showProgress(const TrackedParcel &parcel, const tracking::ProgressReport &report,
                            tracking::UpdateState update) {
    m_with.list.showEntries(report.entries);
    m_with.status.showCompany(parcel.company);
    m_with.status.showProgress(report);
    m_with.status.showUpdate(update);
}

void RoadView::listDuplicates(const QString &number) {
    ParcelPicker &picker = m_with.book.picker();
    const Outcome<QList<ParcelRow>> found = m_with.book.parcels().byNumberContaining(number.trimmed());
    if (!found) {
        m_with.feedback.hint(found.failure().said(QStringLiteral("快递列表读取")));
        return;
    }
    picker.showRows(*found);
    picker.pick(0);
}
