// The six pages laid over the main window, by name; a page not built yet is null.
#pragma once

#include "widgets/Page.h"

#include <array>

struct PageSet {
    Page *add = nullptr;
    Page *settings = nullptr;
    Page *operations = nullptr;
    Page *search = nullptr;
    Page *directory = nullptr;
    Page *overview = nullptr;

    std::array<Page *, 6> all() const { return {add, settings, operations, search, directory, overview}; }
    void hideAll() const {
        for (Page *page : all()) {
            if (page) {
                page->hide();
            }
        }
    }
};
