// The book's change signals.
#include "store/BookFeed.h"

BookFeed::BookFeed(QObject *parent)
    : QObject(parent) {}
