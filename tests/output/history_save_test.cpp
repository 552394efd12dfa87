// Saving the history table: the text file block by block, the workbook, and what a cleared or
// cut-short table gives.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace pm {
namespace {

using testing::Rig;

// Linked to a meter on port 2 holding `records` records, history tab shown.
struct History : Rig {
    sim::InstrumentSimulator& meter = serial.attachInstrument(2);
    explicit History(int records) {
        meter.setReplyDelayMs(10);
        meter.setRecordCount(records);
        startAndLink();
        clickTab(2);
    }
    void read() {
        scheduler.advanceTo(scheduler.now() / 1000 * 1000 + 1550);  // off the polling beat
        form.Command1_Click();
        scheduler.advanceBy(200);
        while (w().Readdat.enabled()) {
            scheduler.runNext();
        }
        scheduler.advanceBy(50);
    }
    const std::string& saveText(const std::string& path = "/tmp/history.txt") {
        dialog.saveAnswers.push_back(SaveChoice{path, 1});
        form.Command2_Click();
        return files.files[path];
    }
};

const std::string kEmptyBlock =
    "NO.1  U/V  I/A     P/KW   Q/Kvar  S/KVA     PF\r\n"
    "1CH:            \r\n"
    "2CH:            \r\n"
    "3CH:            \r\n"
    "U1U2:    I1I2:    U1I1:    \r\n"
    "U2U3:    I2I3:    U2I2:    \r\n"
    "U3U1:    I3I1:    U3I3:    \r\n"
    "F/Hz:      In:  \r\n"
    " \r\n";

// The simulator's records 1 to 3 as the file holds them. Record 2 was taken in mode 2 (no
// voltage-to-voltage angles); in record 3 channel 3 is idle.
const std::string kRecord1 =
    "NO.1  U/V  I/A     P/KW   Q/Kvar  S/KVA     PF\r\n"
    "1CH:  233.45  5.518  1.0808  0.7021  1.2882  0.839\r\n"
    "2CH:  236.71  4.552  1.0538  0.2241  1.0775  0.978\r\n"
    "3CH:  221.83  4.544  0.6744  0.7489  1.0080  0.669\r\n"
    "U1U2:  121.5°  I1I2:  100.2°  U1I1:  33.3°  \r\n"
    "U2U3:  118.8°  I2I3:  154.7°  U2I2:  12.0°  \r\n"
    "U3U1:  119.7°  I3I1:  105.1°  U3I3:  47.9°  \r\n"
    "F/Hz:  50.03    In/A:  3.550\r\n"
    " \r\n";
const std::string kRecord2 =
    "NO.2  U/V  I/A     P/KW   Q/Kvar  S/KVA     PF\r\n"
    "1CH:  228.3  5.239  1.1088  0.4485  1.1961  0.927\r\n"
    "2CH:  224.1  5.828  0.7680  1.0566  1.3061  0.588\r\n"
    "3CH:  220.2  5.143  0.6331  0.9388  1.1325  0.559\r\n"
    "U1U2:  ----  I1I2:  150.3°  U1I1:  22.3°  \r\n"
    "U2U3:  ----  I2I3:  121.9°  U2I2:  53.6°  \r\n"
    "U3U1:  ----  I3I1:  87.8°  U3I3:  56.1°  \r\n"
    "F/Hz:  49.92    In/A:  2.255\r\n"
    " \r\n";
const std::string kRecord3 =
    "NO.3  U/V  I/A     P/KW   Q/Kvar  S/KVA     PF\r\n"
    "1CH:  226  5.196  1.0463  0.5331  1.1743  0.891\r\n"
    "2CH:  230  5.213  0.9184  0.7710  1.1990  0.766\r\n"
    "3CH:  0  0.000  0.0000  0.0000  0.0000  1.000\r\n"
    "U1U2:  120.8°  I1I2:  133.3°  U1I1:  27.3°  \r\n"
    "U2U3:  0.0°  I2I3:  0.0°  U2I2:  39.8°  \r\n"
    "U3U1:  0.0°  I3I1:  0.0°  U3I3:  0.0°  \r\n"
    "F/Hz:  49.94    In/A:  0.000\r\n"
    " \r\n";

TEST(HistorySave, TextFileAfterReads) {
    struct Case {
        const char* name;
        int records;
        std::string expected;
    };
    const Case cases[] = {
        {"no record: the empty first block", 0, kEmptyBlock},
        {"one record", 1, kRecord1},
        {"three records", 3, kRecord1 + kRecord2 + kRecord3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        History rig(c.records);
        rig.read();
        EXPECT_EQ(rig.saveText(), c.expected);
        EXPECT_TRUE(rig.desktop.messages.empty());
    }
}

TEST(HistorySave, ClearedTableWithTheOldCountGivesBlankLinesForTheMissingBlocks) {
    History rig(5);
    rig.read();
    rig.form.Command3_Click();
    ASSERT_EQ(rig.s().recordCount, 5);
    EXPECT_EQ(rig.saveText(), kEmptyBlock + " \r\n \r\n \r\n \r\n");
}

TEST(HistorySave, ReadCutShortKeepsWhatCameIn) {
    History rig(3);
    rig.scheduler.advanceTo(rig.scheduler.now() / 1000 * 1000 + 1550);
    rig.form.Command1_Click();
    while (rig.grid.rows() < 18) {  // records 1 and 2 are in
        rig.scheduler.runNext();
    }
    rig.meter.setSilent(true);
    while (rig.w().Readdat.enabled()) {
        rig.scheduler.runNext();
    }
    EXPECT_EQ(rig.saveText(), kRecord1 + kRecord2 + " \r\n");
}

TEST(HistorySave, ALaterReadThatFindsNothingDoesNotDropTheBlocksShown) {
    History rig(3);
    rig.read();
    rig.meter.setRecordCount(0);
    rig.read();
    ASSERT_EQ(rig.s().recordCount, 0);
    EXPECT_EQ(rig.saveText(), kRecord1 + kRecord2 + kRecord3);
}

TEST(HistorySave, DialogOffersTextAndWorkbook) {
    History rig(3);
    rig.read();
    rig.dialog.saveAnswers.push_back(SaveChoice{"/tmp/records", 2});
    rig.form.Command2_Click();
    const SaveDialogSettings& shown = rig.dialog.shown.back();
    ASSERT_EQ(shown.fileTypes.size(), 2u);
    EXPECT_EQ(shown.fileTypes[0].caption, "txt格式 (*.txt)");
    EXPECT_EQ(shown.fileTypes[1].caption, "excel格式 (*.xlsx)");
    EXPECT_EQ(shown.fileTypes[1].pattern, "*.xlsx");
    EXPECT_TRUE(rig.files.files.empty());  // no text file for the workbook entry
    ASSERT_EQ(rig.workbook.books.count("/tmp/records.xlsx"), 1u);
    const auto& sheet = rig.workbook.books["/tmp/records.xlsx"];
    ASSERT_EQ(sheet.size(), 27u);
    EXPECT_EQ(sheet[18][0], "NO.3");
    EXPECT_EQ(sheet[4][1], "121.5°");
    EXPECT_EQ(sheet[8][3], "");
}

TEST(HistorySave, FailuresAreReported) {
    struct Case {
        const char* name;
        int entry;
    };
    for (const Case c : {Case{"text", 1}, Case{"workbook", 2}}) {
        SCOPED_TRACE(c.name);
        History rig(1);
        rig.read();
        rig.files.failWith = "Permission denied";
        rig.workbook.failWith = "Permission denied";
        rig.dialog.saveAnswers.push_back(SaveChoice{"/locked/records", c.entry});
        rig.form.Command2_Click();
        EXPECT_EQ(rig.desktop.beeps, 1);
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        EXPECT_EQ(rig.desktop.messages[0].title, "Saving Error!");
        EXPECT_EQ(rig.desktop.messages[0].text, "文件保存出错.\r\nPermission denied");
    }
}

TEST(HistorySave, CancelWritesNothing) {
    History rig(1);
    rig.read();
    rig.dialog.saveAnswers.push_back(std::nullopt);
    rig.form.Command2_Click();
    EXPECT_TRUE(rig.files.files.empty());
    EXPECT_TRUE(rig.workbook.books.empty());
    EXPECT_TRUE(rig.desktop.messages.empty());
}

}  // namespace
}  // namespace pm
