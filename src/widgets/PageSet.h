// The five pages laid over the main window, by name.
#pragma once

#include "widgets/Page.h"

#include <array>

struct PageSet {
    Page *add = nullptr;
    Page *settings = nullptr;
    Page *operations = nullptr;
    Page *search = nullptr;
    Page *directory = nullptr;

    std::array<Page *, 5> all() const { return {add, settings, operations, search, directory}; }
    void hideAll() const {
        for (Page *page : all()) {
            page->hide();
        }
    }
};
