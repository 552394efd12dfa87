#pragma once

// What every Grid implementation must do, as a suite parametrised by the grid.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/grid_kinds.h"
#include "platform/grid.h"

namespace pm::testing {

using GridContract = GridTest;

TEST_P(GridContract, CuttingDiscardsTextsAndGrowingAddsEmptyCells) {
    ASSERT_TRUE(grid->setCols(3));
    ASSERT_TRUE(grid->setRows(4));
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_TRUE(grid->setTextMatrix(r, c, std::to_string(r) + "," + std::to_string(c)));
        }
    }
    ASSERT_TRUE(grid->setRows(2));
    EXPECT_EQ(grid->rows(), 2);
    EXPECT_EQ(grid->textMatrix(1, 2), "1,2");
    EXPECT_EQ(grid->textMatrix(2, 0), std::nullopt);

    // Rows that come back are new rows, not the old ones shown again.
    ASSERT_TRUE(grid->setRows(5));
    EXPECT_EQ(grid->rows(), 5);
    for (int r = 2; r < 5; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(grid->textMatrix(r, c), "") << r << "," << c;
        }
    }
    EXPECT_EQ(grid->textMatrix(0, 0), "0,0");

    ASSERT_TRUE(grid->setCols(2));
    EXPECT_EQ(grid->cols(), 2);
    EXPECT_EQ(grid->textMatrix(1, 1), "1,1");
    EXPECT_EQ(grid->textMatrix(1, 2), std::nullopt);
    ASSERT_TRUE(grid->setCols(4));
    EXPECT_EQ(grid->textMatrix(1, 0), "1,0");
    EXPECT_EQ(grid->textMatrix(1, 1), "1,1");
    EXPECT_EQ(grid->textMatrix(1, 2), "");
    EXPECT_EQ(grid->textMatrix(1, 3), "");
}

TEST_P(GridContract, EveryAccessOutsideTheGridFailsAndChangesNothing) {
    ASSERT_TRUE(grid->setCols(7));
    ASSERT_TRUE(grid->setRows(9));
    ASSERT_TRUE(grid->setTextMatrix(8, 6, "last"));
    ASSERT_TRUE(grid->setRowHeight(8, 450));
    ASSERT_TRUE(grid->setColWidth(6, 1612));
    struct Case {
        const char* name;
        int row;
        int col;
    };
    const Case cells[] = {
        {"row -1", -1, 0},          {"column -1", 0, -1},
        {"row = Rows", 9, 0},       {"column = Cols", 0, 7},
        {"both beyond", 9, 7},      {"far row", INT_MAX, 0},
        {"far column", 0, INT_MAX}, {"both negative", INT_MIN, INT_MIN},
    };
    for (const Case& c : cells) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(grid->setTextMatrix(c.row, c.col, "x"));
        EXPECT_EQ(grid->textMatrix(c.row, c.col), std::nullopt);
    }
    for (const int row : {-1, 9, INT_MAX}) {
        SCOPED_TRACE("row " + std::to_string(row));
        EXPECT_FALSE(grid->setRowHeight(row, 300));
        EXPECT_EQ(grid->rowHeightTwips(row), std::nullopt);
    }
    for (const int col : {-1, 7, INT_MAX}) {
        SCOPED_TRACE("column " + std::to_string(col));
        EXPECT_FALSE(grid->setColWidth(col, 1000));
        EXPECT_FALSE(grid->setColAlignment(col, GridAlignment::RightCentre));
        EXPECT_EQ(grid->colWidthTwips(col), std::nullopt);
        EXPECT_EQ(grid->colAlignment(col), std::nullopt);
    }
    EXPECT_FALSE(grid->setRows(-1));
    EXPECT_FALSE(grid->setCols(-1));
    EXPECT_FALSE(grid->setRows(INT_MAX));  // more cells than a grid may hold
    EXPECT_FALSE(grid->setCols(INT_MAX));
    EXPECT_FALSE(grid->setRowHeight(8, -1));
    EXPECT_FALSE(grid->setColWidth(6, -1));

    EXPECT_EQ(grid->rows(), 9);
    EXPECT_EQ(grid->cols(), 7);
    EXPECT_EQ(grid->textMatrix(8, 6), "last");
    EXPECT_EQ(grid->rowHeightTwips(8), 450);
    EXPECT_EQ(grid->colWidthTwips(6), 1612);
}

TEST_P(GridContract, NewRowsTakeTheHeightTheRowsHaveInCommon) {
    ASSERT_TRUE(grid->setCols(1));
    ASSERT_TRUE(grid->setRows(3));
    for (int r = 0; r < 3; ++r) {
        ASSERT_TRUE(grid->setRowHeight(r, 450));
    }
    ASSERT_TRUE(grid->setRows(5));
    EXPECT_EQ(grid->rowHeightTwips(4), 450);

    ASSERT_TRUE(grid->setRowHeight(1, 600));
    EXPECT_EQ(grid->rowHeightTwips(0), 450);
    EXPECT_EQ(grid->rowHeightTwips(1), 600);
    EXPECT_EQ(grid->rowHeightTwips(2), 450);
    ASSERT_TRUE(grid->setRowHeight(1, 450));
    EXPECT_EQ(grid->rowHeightTwips(1), 450);

    // Cutting a row off and growing again: the row that comes back is a new one.
    ASSERT_TRUE(grid->setRowHeight(4, 900));
    ASSERT_TRUE(grid->setRows(4));
    ASSERT_TRUE(grid->setRows(5));
    EXPECT_EQ(grid->rowHeightTwips(4), 450);
}

TEST_P(GridContract, SettingAllRowHeightsEqualsSettingEachRow) {
    struct Case {
        const char* name;
        int rows;
        std::vector<std::pair<int, int>> before;  // row, height
        int height;
    };
    const Case cases[] = {
        {"uniform rows to a new height", 6, {}, 450},
        {"mixed rows to a new height", 6, {{1, 600}, {4, 150}}, 450},
        {"mixed rows to the height most have", 6, {{0, 600}}, 285},
        {"all rows already at it", 6, {{0, 450}, {1, 450}}, 450},
        {"an empty grid", 0, {}, 450},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Grid> bulk = GetParam().make();
        std::unique_ptr<Grid> each = GetParam().make();
        for (Grid* g : {bulk.get(), each.get()}) {
            g->setCols(1);
            g->setRows(c.rows);
            for (const auto& [row, height] : c.before) {
                g->setRowHeight(row, height);
            }
        }
        EXPECT_TRUE(bulk->setAllRowHeights(c.height));
        for (int r = 0; r < c.rows; ++r) {
            each->setRowHeight(r, c.height);
        }
        // Including the rows that come after.
        for (Grid* g : {bulk.get(), each.get()}) {
            g->setRows(c.rows + 3);
        }
        for (int r = 0; r < c.rows + 3; ++r) {
            EXPECT_EQ(bulk->rowHeightTwips(r), each->rowHeightTwips(r)) << "row " << r;
        }
    }
    EXPECT_FALSE(grid->setAllRowHeights(-1));
}

TEST_P(GridContract, ColumnFormatsGeometryAndVisibilityReadBack) {
    ASSERT_TRUE(grid->setCols(3));
    ASSERT_TRUE(grid->setColWidth(1, 1612));
    ASSERT_TRUE(grid->setColAlignment(2, GridAlignment::CentreCentre));
    EXPECT_EQ(grid->colWidthTwips(1), 1612);
    EXPECT_EQ(grid->colAlignment(2), GridAlignment::CentreCentre);
    // A column cut off and added again starts over.
    ASSERT_TRUE(grid->setCols(1));
    ASSERT_TRUE(grid->setCols(3));
    EXPECT_NE(grid->colWidthTwips(1), 1612);
    EXPECT_NE(grid->colAlignment(2), GridAlignment::CentreCentre);

    grid->setGeometry(Rect{960, 2282, 11655, 6735});
    EXPECT_EQ(grid->geometryTwips(), (Rect{960, 2282, 11655, 6735}));
    grid->setVisible(false);
    EXPECT_FALSE(grid->visible());
    grid->setVisible(true);
    EXPECT_TRUE(grid->visible());
}

}  // namespace pm::testing
