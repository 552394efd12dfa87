#include "view/history_layout.h"

#include <string>

namespace pm {

const std::array<GridLabel, 21> kEmptyBlockLabels = {{
    {0, 0, "NO.1"},  {0, 1, "U/V"},   {0, 2, "I/A"},   {0, 3, "P/KW"},  {0, 4, "Q/Kvar"},
    {0, 5, "S/KVA"}, {0, 6, "PF"},    {1, 0, "1CH:"},  {2, 0, "2CH:"},  {3, 0, "3CH:"},
    {4, 0, "U1U2:"}, {5, 0, "U2U3:"}, {6, 0, "U3U1:"}, {7, 0, "F/Hz:"}, {4, 2, "I1I2:"},
    {5, 2, "I2I3:"}, {6, 2, "I3I1:"}, {7, 2, "In:"},   {4, 4, "U1I1:"}, {5, 4, "U2I2:"},
    {6, 4, "U3I3:"},
}};

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
    for (const GridLabel& label : kEmptyBlockLabels) {
        grid.setTextMatrix(label.row, label.col, std::string(label.text));
    }
}

}  // namespace pm
