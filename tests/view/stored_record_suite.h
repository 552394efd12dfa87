#pragma once

// Stored records filed into the history table, on any Grid implementation.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fakes/grid_kinds.h"
#include "fakes/test_frames.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace pm::testing {

class StoredRecord : public GridTest {
  protected:
    void SetUp() override {
        GridTest::SetUp();
        setupGrid(*grid);
    }
    void write(int record, const Reading& frame = balancedReading(),
               const NumberFormat& format = {}) {
        writeStoredRecord(*grid, frameOf(frame), record, format);
    }
};

TEST_P(StoredRecord, FirstRecordFillsTheFirstBlock) {
    // The frame exactly as the instrument sends it, to pin down the field layout.
    const std::vector<std::uint8_t> reply = {
        0xD8, 0x59, 0xD8, 0x59, 0xD8, 0x59, 0x88, 0x13, 0x88, 0x13, 0x88, 0x13, 0x01,
        0x01, 0x01, 0x03, 0x03, 0x03, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04,
        0xB0, 0x04, 0xB0, 0x04, 0x2C, 0x01, 0x2C, 0x01, 0x2C, 0x01, 0x88, 0x13, 0x00};
    ASSERT_EQ(reply, balancedFrame());
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
    Reading other = balancedReading();
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
        Reading frame = balancedReading();
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
        Reading frame = balancedReading();
        std::vector<std::array<std::string, 4>> powers;  // per channel: P, Q, S, PF
        std::string neutral;
    };
    const std::array<std::string, 4> balanced{"0.9959", "0.5750", "1.1500", "0.866"};
    const std::array<std::string, 4> idle{"0.0000", "0.0000", "0.0000", "1.000"};
    std::vector<Case> cases;
    {
        Case c{"U1 at 9.99 V is idle whatever its current",
               balancedReading(),
               {idle, balanced, balanced},
               "0.000"};
        c.frame.voltage[0] = 999;
        cases.push_back(c);
    }
    {
        // Each channel takes its own voltage-to-current angle: 0, 60 and 90 degrees.
        Case c{"currents 10, 5, 5 A at 120 degrees", balancedReading(), {}, "5.000"};
        c.frame.current = {10000, 5000, 5000};
        c.frame.angle[6] = 0;
        c.frame.angle[7] = 600;
        c.frame.angle[8] = 900;
        c.powers = {{"2.3000", "0.0000", "2.3000", "1.000"},
                    {"0.5750", "0.9959", "1.1500", "0.500"},
                    {"0.0000", "1.1500", "1.1500", "0.000"}};
        cases.push_back(c);
    }
    {
        Case c{"one current of 0.0190 A zeroes In", balancedReading(), {}, "0.000"};
        c.frame.current = {10000, 5000, 190};
        c.frame.currentRange = {3, 3, 2};
        c.frame.angle[6] = c.frame.angle[7] = c.frame.angle[8] = 0;
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
    Reading frame = balancedReading();
    frame.voltageRange[0] = 0;
    frame.currentRange[1] = 1;
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
    std::vector<std::uint8_t> bytes = balancedFrame();
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
    Reading frame = balancedReading();
    frame.voltage = {23000, 23000, 12345};
    frame.voltageRange = {1, 1, 3};
    write(1, frame, format);
    EXPECT_EQ(grid->textMatrix(1, 1), "230,00");
    EXPECT_EQ(grid->textMatrix(3, 1), "12.345");
    EXPECT_EQ(grid->textMatrix(3, 5), "61,7250");  // 12,345 V read back as 12345, not 12.345
    EXPECT_EQ(grid->textMatrix(4, 5), "30,0°");
}

}  // namespace pm::testing
