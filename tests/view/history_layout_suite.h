#pragma once

// The empty state of the history table, on any Grid implementation.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fakes/grid_kinds.h"
#include "fakes/test_frames.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace pm::testing {

using HistoryLayout = GridTest;

TEST_P(HistoryLayout, ReachesTheEmptyStateFromAnyEarlierState) {
    struct Case {
        const char* name;
        std::function<void(Grid&)> before;
    };
    const Case cases[] = {
        {"a new grid", [](Grid&) {}},
        {"three records read",
         [](Grid& g) {
             setupGrid(g);
             for (int n = 1; n <= 3; ++n) {
                 writeStoredRecord(g, balancedFrame(), n, {});
             }
         }},
        {"a larger grid with texts everywhere and odd formats",
         [](Grid& g) {
             g.setCols(10);
             g.setRows(40);
             for (int r = 0; r < 40; ++r) {
                 g.setRowHeight(r, 150 + r);
                 for (int c = 0; c < 10; ++c) {
                     g.setTextMatrix(r, c, "old");
                 }
             }
             g.setColWidth(3, 99);
             g.setColAlignment(3, GridAlignment::RightCentre);
         }},
        {"a smaller grid",
         [](Grid& g) {
             g.setCols(2);
             g.setRows(2);
             g.setTextMatrix(1, 1, "old");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Grid> g = GetParam().make();
        c.before(*g);
        setupGrid(*g);
        EXPECT_EQ(g->rows(), 9);
        EXPECT_EQ(g->cols(), 7);
        EXPECT_EQ(g->geometryTwips(), (Rect{960, 2282, 11655, 6735}));
        expectBlock(*g, 1, emptyFirstBlock());
        for (int col = 0; col < 7; ++col) {
            EXPECT_EQ(g->colWidthTwips(col), 1612);
            EXPECT_EQ(g->colAlignment(col), GridAlignment::CentreCentre);
        }
        for (int row = 0; row < 9; ++row) {
            EXPECT_EQ(g->rowHeightTwips(row), 300);
        }
        EXPECT_EQ(g->textMatrix(9, 0), std::nullopt);
    }
}

TEST_P(HistoryLayout, LeavesVisibilityAlone) {
    for (const bool visible : {false, true}) {
        grid->setVisible(visible);
        setupGrid(*grid);
        EXPECT_EQ(grid->visible(), visible);
    }
}

}  // namespace pm::testing
