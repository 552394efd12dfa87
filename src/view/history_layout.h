#pragma once

#include <array>
#include <string_view>

#include "platform/grid.h"

namespace pm {

// One stored record takes a block of this many rows and columns of the history table.
constexpr int kBlockRows = 9;
constexpr int kBlockCols = 7;
constexpr int kHistoryRowHeight = 300;  // twips
constexpr int kHistoryColWidth = 1612;  // twips
// Over the real-time panel, two twips lower; the two are never shown together.
constexpr Rect kHistoryGridGeometry{960, 2282, 11655, 6735};

struct GridLabel {
    int row;
    int col;
    std::string_view text;
};

// The captions of an empty first block, in the order they are written.
extern const std::array<GridLabel, 21> kEmptyBlockLabels;

// Puts the history table into its empty state from any state: placed and sized, one block large,
// every cell emptied, the first block's captions written. Leaves its visibility alone.
void setupGrid(Grid& grid);

}  // namespace pm
