#pragma once

#include <string_view>

#include "core/twips.h"
#include "platform/grid.h"

namespace pm {

// One stored record takes a block of this many rows and columns of the history table.
constexpr int kBlockRows = 9;
constexpr int kBlockCols = 7;
constexpr int kHistoryRowHeight = 300;  // twips
constexpr int kHistoryColWidth = 1612;  // twips
// Over the real-time panel, two twips lower; the two are never shown together.
constexpr Rect kHistoryGridGeometry{960, 2282, 11655, 6735};

// The neutral current's caption: the empty table shows it without its unit, a record read into
// the table with it (saved files and the workbook carry the caption as the table shows it).
constexpr std::string_view kEmptyNeutralCaption = "In:";
constexpr std::string_view kRecordNeutralCaption = "In/A:";

// Writes the captions of the block that starts at `firstRow`: the header row ("NO.n" and the
// quantity names), then the row captions, the neutral current's being `neutralCaption`.
void writeBlockCaptions(Grid& grid, int firstRow, int recordNumber,
                        std::string_view neutralCaption);

// Puts the history table into its empty state from any state: placed and sized, one block large,
// every cell emptied, the first block's captions written. Leaves its visibility alone.
void setupGrid(Grid& grid);

}  // namespace pm
