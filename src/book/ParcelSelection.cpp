// Parcel selection.
#include "book/ParcelSelection.h"

#include "query/ParcelBook.h"
#include "query/QuerySession.h"
#include "query/TrackingQuery.h"
#include "store/StoreError.h"
#include "widgets/Feedback.h"
#include "widgets/PageSet.h"
#include "widgets/ParcelPicker.h"
#include "widgets/StatusPanel.h"

ParcelSelection::ParcelSelection(const PageSet &pages, QuerySession &session, ParcelBook &book,
                                 StatusPanel &status, const Feedback &feedback, TrackingQuery &query)
    : m_pages(pages)
    , m_session(session)
    , m_book(book)
    , m_status(status)
    , m_feedback(feedback)
    , m_query(query) {}

std::optional<quint64> ParcelSelection::select() {
    m_pages.hideAll();
    m_session.lock();
    const ParcelPicker &picker = m_book.picker();
    try {
        m_book.select(picker.currentId(), picker.currentIndex());
    } catch (const StoreError &error) {
        m_feedback.hint(QStringLiteral("快递信息读取失败!错误原因") + error.description());
        m_session.unlock();
        return std::nullopt;
    }
    m_status.reset();
    return m_query.cx();
}
