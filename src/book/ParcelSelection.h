// The parcel selection: a picked entry becomes the current parcel and is queried.
#pragma once

#include <QtGlobal>

#include <optional>

class Feedback;
class ParcelBook;
class QuerySession;
class StatusPanel;
class TrackingQuery;
struct PageSet;

class ParcelSelection final {
public:
    ParcelSelection(const PageSet &pages, QuerySession &session, ParcelBook &book, StatusPanel &status,
                    const Feedback &feedback, TrackingQuery &query);

    // Runs for the picker's current entry, which names its parcel by row id. Returns the serial of
    // the query sent; nothing when the parcel could not be read.
    std::optional<quint64> select();

private:
    const PageSet &m_pages;
    QuerySession &m_session;
    ParcelBook &m_book;
    StatusPanel &m_status;
    const Feedback &m_feedback;
    TrackingQuery &m_query;
};
