// Parcel selection.
#include "book/ParcelSelection.h"

#include "book/ParcelBook.h"
#include "tracker/ParcelTracker.h"
#include "widgets/PageSet.h"
#include "widgets/ParcelPicker.h"

ParcelSelection::ParcelSelection(const PageSet &pages, ParcelBook &book)
    : m_pages(pages)
    , m_book(book) {}

void ParcelSelection::select() const {
    m_pages.hideAll();
    if (const std::optional<ParcelId> id = m_book.picker().currentId()) {
        // Why a pick could not go is on the hint line, which is all the window does about it.
        static_cast<void>(m_book.tracker().selectParcel(*id));
    }
}
