#pragma once

// Test suites that every Grid implementation must pass, with the helpers they share. Each test
// program includes this once and instantiates the suites with its own grids (see
// history_test.cpp and qt_history_test.cpp).

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
#include "view/history_layout.h"
#include "view/stored_record.h"

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

// One measurement frame, field by field; the defaults are a balanced three-phase load.
struct FrameSpec {
    std::array<std::uint16_t, 3> u{23000, 23000, 23000};  // 230.00 V with code 1
    std::array<std::uint8_t, 3> uCode{1, 1, 1};
    std::array<std::uint16_t, 3> i{5000, 5000, 5000};  // 5.000 A with code 3
    std::array<std::uint8_t, 3> iCode{3, 3, 3};
    std::array<std::uint16_t, 9> angles{1200, 1200, 1200, 1200, 1200, 1200, 300, 300, 300};
    std::uint16_t frequency = 5000;
    std::uint8_t mode = 0;
};

inline std::vector<std::uint8_t> frameBytes(const FrameSpec& f) {
    std::vector<std::uint8_t> bytes(39, 0);
    auto word = [&](std::size_t at, std::uint16_t value) {
        bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    for (std::size_t k = 0; k < 3; ++k) {
        word(2 * k, f.u[k]);
        word(6 + 2 * k, f.i[k]);
        bytes[12 + k] = f.uCode[k];
        bytes[15 + k] = f.iCode[k];
    }
    for (std::size_t c = 0; c < 9; ++c) {
        word(18 + 2 * c, f.angles[c]);
    }
    word(36, f.frequency);
    bytes[38] = f.mode;
    return bytes;
}

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

inline Block emptyFirstBlock() {
    Block block{};
    for (const GridLabel& label : kEmptyBlockLabels) {
        block[label.row][label.col] = std::string(label.text);
    }
    return block;
}

// The block that the default FrameSpec fills in.
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

// ---------------------------------------------------------------------------------------------
// The grid contract.

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

// ---------------------------------------------------------------------------------------------
// The empty state of the history table.

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
                 writeStoredRecord(g, frameBytes({}), n, {});
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

// ---------------------------------------------------------------------------------------------
// Stored records filed into the history table.

class StoredRecord : public GridTest {
  protected:
    void SetUp() override {
        GridTest::SetUp();
        setupGrid(*grid);
    }
    void write(int record, const FrameSpec& frame = {}, const NumberFormat& format = {}) {
        writeStoredRecord(*grid, frameBytes(frame), record, format);
    }
};

TEST_P(StoredRecord, FirstRecordFillsTheFirstBlock) {
    // The frame exactly as the instrument sends it, to pin down the field layout.
    const std::vector<std::uint8_t> reply = {
        0xD8, 0x59, 0xD8, 0x59, 0xD8, 0x59, 0x88, 0x13, 0x88, 0x13, 0x88, 0x13, 0x01,
        0x01, 0x01, 0x03, 0x03, 0x03, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04,
        0xB0, 0x04, 0xB0, 0x04, 0x2C, 0x01, 0x2C, 0x01, 0x2C, 0x01, 0x88, 0x13, 0x00};
    ASSERT_EQ(reply, frameBytes({}));
    writeStoredRecord(*grid, reply, 1, {});
    EXPECT_EQ(grid->rows(), 9);
    expectBlock(*grid, 1, balancedBlock(1));  // "In/A:" has replaced "In:"
}

TEST_P(StoredRecord, RecordNumberChoosesTheBlockAndSetsTheSize) {
    write(12);
    EXPECT_EQ(grid->rows(), 108);
    EXPECT_EQ(grid->textMatrix(99, 0), "NO.12");
    expectBlock(*grid, 12, balancedBlock(12));
    // The first block keeps its empty-state captions; the blocks between hold nothing.
    expectBlock(*grid, 1, emptyFirstBlock());
    for (int n = 2; n < 12; ++n) {
        expectBlock(*grid, n, emptyBlock());
    }
    for (int r = 0; r < 108; ++r) {
        ASSERT_EQ(grid->rowHeightTwips(r), 300) << "row " << r;
    }
}

TEST_P(StoredRecord, ALowerRecordNumberCutsTheBlocksAfterIt) {
    for (int n = 1; n <= 5; ++n) {
        write(n);
    }
    FrameSpec other;
    other.frequency = 4990;
    write(2, other);
    EXPECT_EQ(grid->rows(), 18);
    EXPECT_EQ(grid->textMatrix(18, 0), std::nullopt);
    EXPECT_EQ(grid->textMatrix(16, 1), "49.90");
    expectBlock(*grid, 1, balancedBlock(1));

    // Blocks cut off do not come back with the grid.
    write(4);
    expectBlock(*grid, 3, emptyBlock());
    expectBlock(*grid, 4, balancedBlock(4));
}

TEST_P(StoredRecord, ModeTwoHidesOnlyTheVoltageToVoltageAngles) {
    for (const int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        FrameSpec frame;
        frame.mode = static_cast<std::uint8_t>(mode);
        write(3, frame);
        Block expected = balancedBlock(3);
        if (mode == 2) {
            expected[4][1] = expected[5][1] = expected[6][1] = "----";
        }
        expectBlock(*grid, 3, expected);
    }
}

TEST_P(StoredRecord, DerivedFiguresFollowTheShownReadings) {
    struct Case {
        const char* name;
        FrameSpec frame;
        std::vector<std::array<std::string, 4>> powers;  // per channel: P, Q, S, PF
        std::string neutral;
    };
    const std::array<std::string, 4> balanced{"0.9959", "0.5750", "1.1500", "0.866"};
    const std::array<std::string, 4> idle{"0.0000", "0.0000", "0.0000", "1.000"};
    std::vector<Case> cases;
    {
        Case c{
            "U1 at 9.99 V is idle whatever its current", {}, {idle, balanced, balanced}, "0.000"};
        c.frame.u[0] = 999;
        cases.push_back(c);
    }
    {
        // Each channel takes its own voltage-to-current angle: 0, 60 and 90 degrees.
        Case c{"currents 10, 5, 5 A at 120 degrees", {}, {}, "5.000"};
        c.frame.i = {10000, 5000, 5000};
        c.frame.angles[6] = 0;
        c.frame.angles[7] = 600;
        c.frame.angles[8] = 900;
        c.powers = {{"2.3000", "0.0000", "2.3000", "1.000"},
                    {"0.5750", "0.9959", "1.1500", "0.500"},
                    {"0.0000", "1.1500", "1.1500", "0.000"}};
        cases.push_back(c);
    }
    {
        Case c{"one current of 0.0190 A zeroes In", {}, {}, "0.000"};
        c.frame.i = {10000, 5000, 190};
        c.frame.iCode = {3, 3, 2};
        c.frame.angles[6] = c.frame.angles[7] = c.frame.angles[8] = 0;
        c.powers = {
            {"2.3000", "0.0000", "2.3000", "1.000"}, {"1.1500", "0.0000", "1.1500", "1.000"}, idle};
        cases.push_back(c);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(2, c.frame);
        for (int k = 0; k < 3; ++k) {
            const int row = 9 + 1 + k;
            const auto& expected = c.powers[static_cast<std::size_t>(k)];
            EXPECT_EQ(grid->textMatrix(row, 3), expected[0]) << "P" << k + 1;
            EXPECT_EQ(grid->textMatrix(row, 4), expected[1]) << "Q" << k + 1;
            EXPECT_EQ(grid->textMatrix(row, 5), expected[2]) << "S" << k + 1;
            EXPECT_EQ(grid->textMatrix(row, 6), expected[3]) << "PF" << k + 1;
        }
        EXPECT_EQ(grid->textMatrix(9 + 7, 3), c.neutral);
    }
}

TEST_P(StoredRecord, AReadingOutsideTheRangeTablesShowsAsNotAvailable) {
    // Voltage code 0 on the first channel, current code 1 on the second: neither names a scale.
    FrameSpec frame;
    frame.uCode[0] = 0;
    frame.iCode[1] = 1;
    write(1, frame);
    Block expected = balancedBlock(1);
    expected[1][1] = "----";  // never the text of the cell written before it
    expected[2][2] = "----";
    const std::array<std::string, 4> idle{"0.0000", "0.0000", "0.0000", "1.000"};
    for (int k : {1, 2}) {
        for (int col = 3; col < 7; ++col) {
            expected[k][col] = idle[col - 3];
        }
    }
    expected[7][3] = "0.000";  // "----" reads as no current at all
    expectBlock(*grid, 1, expected);
}

TEST_P(StoredRecord, AShortReplyFillsWhatItHoldsAndNothingMore) {
    // The voltages are whole from 15 bytes on (words and codes), the frequency from 38.
    std::vector<std::uint8_t> bytes = frameBytes({});
    for (const std::size_t length :
         {std::size_t{0}, std::size_t{8}, std::size_t{16}, std::size_t{38}}) {
        SCOPED_TRACE("length " + std::to_string(length));
        const std::vector<std::uint8_t> shortReply(bytes.begin(),
                                                   bytes.begin() + static_cast<long>(length));
        writeStoredRecord(*grid, shortReply, 1, {});
        EXPECT_EQ(grid->textMatrix(0, 0), "NO.1");
        EXPECT_EQ(grid->textMatrix(7, 2), "In/A:");
        EXPECT_EQ(grid->textMatrix(1, 1), length >= 16 ? "230.00" : "----");
        EXPECT_EQ(grid->textMatrix(7, 1), length >= 38 ? "50.00" : "----");
    }
}

TEST_P(StoredRecord, RecordNumbersOutsideTheInstrumentRangeChangeNothing) {
    write(2);
    for (const int n : {0, -1, 10001, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(n);
        write(n);
        EXPECT_EQ(grid->rows(), 18);
        expectBlock(*grid, 2, balancedBlock(2));
    }
}

TEST_P(StoredRecord, TheLastRecordNumberGetsItsBlock) {
    write(10000);
    EXPECT_EQ(grid->rows(), 90000);
    expectBlock(*grid, 10000, balancedBlock(10000));
    EXPECT_EQ(grid->textMatrix(89991, 0), "NO.10000");
}

TEST_P(StoredRecord, TextsFollowTheRegionalNumberSettings) {
    NumberFormat format;
    format.decimalSymbol = ",";
    format.groupSeparator = ".";
    format.grouping = {3};
    FrameSpec frame;
    frame.u = {23000, 23000, 12345};
    frame.uCode = {1, 1, 3};
    write(1, frame, format);
    EXPECT_EQ(grid->textMatrix(1, 1), "230,00");
    EXPECT_EQ(grid->textMatrix(3, 1), "12.345");
    EXPECT_EQ(grid->textMatrix(3, 5), "61,7250");  // 12,345 V read back as 12345, not 12.345
    EXPECT_EQ(grid->textMatrix(4, 5), "30,0°");
}

}  // namespace pm::testing
