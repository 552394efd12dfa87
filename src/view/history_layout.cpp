#include "view/history_layout.h"

#include <array>
#include <string>

namespace pm {
namespace {

struct GridLabel {
    int row;  // within the block
    int col;
    std::string_view text;
};

constexpr std::array<std::string_view, kBlockCols - 1> kHeadings = {"U/V",    "I/A",   "P/KW",
                                                                    "Q/Kvar", "S/KVA", "PF"};

// Below the header row, in the order they are written; the empty text is the neutral current's.
constexpr std::array<GridLabel, 14> kRowCaptions = {{
    {1, 0, "1CH:"},
    {2, 0, "2CH:"},
    {3, 0, "3CH:"},
    {4, 0, "U1U2:"},
    {5, 0, "U2U3:"},
    {6, 0, "U3U1:"},
    {7, 0, "F/Hz:"},
    {4, 2, "I1I2:"},
    {5, 2, "I2I3:"},
    {6, 2, "I3I1:"},
    {7, 2, ""},
    {4, 4, "U1I1:"},
    {5, 4, "U2I2:"},
    {6, 4, "U3I3:"},
}};

}  // namespace

void writeBlockCaptions(Grid& grid, int firstRow, int recordNumber,
                        std::string_view neutralCaption) {
    grid.setTextMatrix(firstRow, 0, "NO." + std::to_string(recordNumber));
    for (std::size_t c = 0; c < kHeadings.size(); ++c) {
        grid.setTextMatrix(firstRow, static_cast<int>(c) + 1, std::string(kHeadings[c]));
    }
    for (const GridLabel& caption : kRowCaptions) {
        const std::string_view text = caption.text.empty() ? neutralCaption : caption.text;
        grid.setTextMatrix(firstRow + caption.row, caption.col, std::string(text));
    }
}

void setupGrid(Grid& grid) {
    grid.setGeometry(kHistoryGridGeometry);
    grid.setRows(kBlockRows);
    grid.setCols(kBlockCols);
    for (int c = 0; c < grid.cols(); ++c) {
        grid.setColWidth(c, kHistoryColWidth);
        grid.setColAlignment(c, GridAlignment::CentreCentre);
    }
    for (int r = 0; r < grid.rows(); ++r) {
        grid.setRowHeight(r, kHistoryRowHeight);
    }
    // Setting the row count keeps the texts of the rows that stay; they must go too.
    for (int c = 0; c < grid.cols(); ++c) {
        for (int r = 0; r < grid.rows(); ++r) {
            grid.setTextMatrix(r, c, std::string());
        }
    }
    writeBlockCaptions(grid, 0, 1, kEmptyNeutralCaption);
}

}  // namespace pm
