#pragma once

// What the suites over every Grid implementation share: the grid kinds they run on and the
// blocks of the history table as texts. The suites are instantiated with the in-memory grid
// beside the code they test, and with the Qt grid in qt/qt_grid_test.cpp.

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/grid.h"

namespace pm::testing {

struct GridKind {
    std::string name;
    std::function<std::unique_ptr<Grid>()> make;
};

inline void PrintTo(const GridKind& kind, std::ostream* out) {
    *out << kind.name;
}

inline std::string gridKindName(const ::testing::TestParamInfo<GridKind>& info) {
    return info.param.name;
}

class GridTest : public ::testing::TestWithParam<GridKind> {
  protected:
    void SetUp() override { grid = GetParam().make(); }
    std::unique_ptr<Grid> grid;
};

using Block = std::array<std::array<std::string, 7>, 9>;

// The nine rows of block `record` as texts; a cell the grid cannot read shows as "<error>".
inline Block readBlock(const Grid& grid, int record) {
    Block block;
    const int r0 = 9 * (record - 1);
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 7; ++c) {
            block[r][c] = grid.textMatrix(r0 + r, c).value_or("<error>");
        }
    }
    return block;
}

inline void expectBlock(const Grid& grid, int record, const Block& expected) {
    const Block actual = readBlock(grid, record);
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 7; ++c) {
            EXPECT_EQ(actual[r][c], expected[r][c])
                << "record " << record << ", row " << r << " of the block, column " << c;
        }
    }
}

inline Block emptyBlock() {
    return Block{};
}

// The captions of the empty table.
inline Block emptyFirstBlock() {
    return Block{{
        {"NO.1", "U/V", "I/A", "P/KW", "Q/Kvar", "S/KVA", "PF"},
        {"1CH:", "", "", "", "", "", ""},
        {"2CH:", "", "", "", "", "", ""},
        {"3CH:", "", "", "", "", "", ""},
        {"U1U2:", "", "I1I2:", "", "U1I1:", "", ""},
        {"U2U3:", "", "I2I3:", "", "U2I2:", "", ""},
        {"U3U1:", "", "I3I1:", "", "U3I3:", "", ""},
        {"F/Hz:", "", "In:", "", "", "", ""},
        {"", "", "", "", "", "", ""},
    }};
}

// The block that the balanced reading fills in.
inline Block balancedBlock(int record) {
    const std::string number = "NO." + std::to_string(record);
    return Block{{
        {number, "U/V", "I/A", "P/KW", "Q/Kvar", "S/KVA", "PF"},
        {"1CH:", "230.00", "5.000", "0.9959", "0.5750", "1.1500", "0.866"},
        {"2CH:", "230.00", "5.000", "0.9959", "0.5750", "1.1500", "0.866"},
        {"3CH:", "230.00", "5.000", "0.9959", "0.5750", "1.1500", "0.866"},
        {"U1U2:", "120.0°", "I1I2:", "120.0°", "U1I1:", "30.0°", ""},
        {"U2U3:", "120.0°", "I2I3:", "120.0°", "U2I2:", "30.0°", ""},
        {"U3U1:", "120.0°", "I3I1:", "120.0°", "U3I3:", "30.0°", ""},
        {"F/Hz:", "50.00", "In/A:", "0.000", "", "", ""},
        {"", "", "", "", "", "", ""},
    }};
}

}  // namespace pm::testing
