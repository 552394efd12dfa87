#include <gtest/gtest.h>

#include "fakes/test_frames.h"
#include "platform/grid_contract.h"
#include "platform/memory_grid.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace pm::testing {
namespace {

const GridKind kMemoryGrid{"MemoryGrid", [] { return std::make_unique<MemoryGrid>(); }};

INSTANTIATE_TEST_SUITE_P(Memory, GridContract, ::testing::Values(kMemoryGrid), gridKindName);

// A read sets the height of every row on every record; with all rows alike that must leave no
// per-row entries behind, or a long read would grow a map of 90,000 of them.
TEST(RowHeights, UniformRowsKeepNoExceptions) {
    MemoryGrid grid;
    setupGrid(grid);
    for (int n = 1; n <= 50; ++n) {
        writeStoredRecord(grid, balancedFrame(), n, {});
    }
    EXPECT_EQ(grid.rowHeights().defaultHeight(), 300);
    EXPECT_TRUE(grid.rowHeights().exceptions().empty());

    grid.setRowHeight(7, 600);
    EXPECT_EQ(grid.rowHeights().exceptions().size(), 1u);
    grid.setRowHeight(7, 300);
    EXPECT_TRUE(grid.rowHeights().exceptions().empty());
}

TEST(RowHeights, ACommonHeightLeftByACutBecomesTheDefault) {
    RowHeights heights(285);
    for (int r = 0; r < 5; ++r) {
        heights.set(r, 300, 10);
    }
    EXPECT_EQ(heights.defaultHeight(), 285);
    heights.truncate(5);
    EXPECT_EQ(heights.defaultHeight(), 300);
    EXPECT_TRUE(heights.exceptions().empty());
    // Two heights among the remaining rows: no common one.
    heights.set(0, 450, 5);
    heights.set(1, 600, 5);
    heights.truncate(2);
    EXPECT_EQ(heights.defaultHeight(), 300);
    EXPECT_EQ(heights.height(0), 450);
    EXPECT_EQ(heights.height(1), 600);
}

}  // namespace
}  // namespace pm::testing
