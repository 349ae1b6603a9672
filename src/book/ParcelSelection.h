// The parcel selection: a picked entry becomes the current parcel and is queried.
#pragma once

class ParcelBook;
struct PageSet;

class ParcelSelection final {
public:
    ParcelSelection(const PageSet &pages, ParcelBook &book);

    // Runs for the picker's current entry, which names its parcel by row id: the pages go, and the
    // tracker reads the parcel afresh and queries it.
    void select() const;

private:
    const PageSet &m_pages;
    ParcelBook &m_book;
};
