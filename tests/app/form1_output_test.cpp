// Save and Print, as the user meets them: the dialogs, the files, the printed reports and every
// failure.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/rig.h"
#include "fakes/test_frames.h"

// Saving the real-time page: the dialog, the picture, the eight-line text file, and failures.
namespace pm::live_save {
namespace {

using testing::Rig;

// The page after the balanced frame, as the file holds it.
const char* const kBalancedPage =
    "           U/V     I/A     P/KW   Q/Kvar   S/KVA    PF   \r\n"
    "  1CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866\r\n"
    "  2CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866\r\n"
    "  3CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866\r\n"
    "  U1U2:  120.0°    I1I2:  120.0°    U1I1:  30.0°\r\n"
    "  U2U3:  120.0°    I2I3:  120.0°    U2I2:  30.0°\r\n"
    "  U3U1:  120.0°    I3I1:  120.0°    U3I3:  30.0°\r\n"
    "  F/Hz:  50.00       In/A:  0.000\r\n";

// The page right after start, with the window's own captions.
const char* const kDesignPage =
    "           U/V     I/A     P/KW   Q/Kvar   S/KVA    PF   \r\n"
    "  1CH:    0.00    0.0000  0.0000  0.0000   0.0000  1.000\r\n"
    "  2CH:    0.00    0.0000  0.0000  0.0000   0.0000  1.000\r\n"
    "  3CH:    0.00    0.0000  0.0000  0.0000   0.0000  1.000\r\n"
    "  U1U2:  360.0°    I1I2:  360.0°    U1I1:  360.0°\r\n"
    "  U2U3:  360.0°    I2I3:  360.0°    U2I2:  360.0°\r\n"
    "  U3U1:  360.0°    I3I1:  360.0°    U3I3:  360.0°\r\n"
    "  F/Hz:  0.00       In/A:  0.000\r\n";

struct Started : Rig {
    Started() { form.Form_Load(); }
    void save(std::string path, int entry) {
        dialog.saveAnswers.push_back(SaveChoice{std::move(path), entry});
        form.Command2_Click();
    }
};

TEST(LiveSave, TextFileCopiesThePanelLineByLine) {
    struct Case {
        const char* name;
        bool fed;
        const char* expected;
    };
    for (const Case c : {Case{"after the balanced frame", true, kBalancedPage},
                         Case{"right after start", false, kDesignPage}}) {
        SCOPED_TRACE(c.name);
        Started rig;
        if (c.fed) {
            rig.s().rxBytes = testing::balancedFrame();
            rig.form.updateLivePanel();
        }
        rig.save("/home/user/Korvalendrix/page.txt", 2);
        ASSERT_EQ(rig.files.files.count("/home/user/Korvalendrix/page.txt"), 1u);
        EXPECT_EQ(rig.files.files["/home/user/Korvalendrix/page.txt"], c.expected);
        EXPECT_TRUE(rig.desktop.messages.empty());
        EXPECT_TRUE(rig.snapshot.saved.empty());
    }
}

TEST(LiveSave, DialogOffersPictureAndTextStartingInTheSaveFolder) {
    Started rig;
    rig.save("/home/user/Korvalendrix/window.jpg", 1);
    ASSERT_EQ(rig.dialog.shown.size(), 1u);
    const SaveDialogSettings& shown = rig.dialog.shown[0];
    EXPECT_EQ(shown.fileName, "Korvalendrix");
    EXPECT_EQ(shown.initialFolder, "/home/user/Korvalendrix");
    ASSERT_EQ(shown.fileTypes.size(), 2u);
    EXPECT_EQ(shown.fileTypes[0].caption, "jpg格式 (*.jpg)");
    EXPECT_EQ(shown.fileTypes[0].pattern, "*.jpg");
    EXPECT_EQ(shown.fileTypes[1].caption, "txt格式 (*.txt)");
    EXPECT_EQ(shown.fileTypes[1].pattern, "*.txt");
    EXPECT_EQ(rig.files.folders, std::vector<std::string>{"/home/user/Korvalendrix"});
    // The first entry writes the picture of the window taken just before the dialog.
    EXPECT_EQ(rig.snapshot.saved,
              (std::map<std::string, int>{{"/home/user/Korvalendrix/window.jpg", 1}}));
    EXPECT_TRUE(rig.files.files.empty());
}

TEST(LiveSave, EverySaveTakesAFreshPicture) {
    Started rig;
    rig.save("/tmp/a.jpg", 1);
    rig.save("/tmp/b.txt", 2);
    rig.save("/tmp/c.png", 1);
    EXPECT_EQ(rig.snapshot.taken, 3);
    EXPECT_EQ(rig.snapshot.saved,
              (std::map<std::string, int>{{"/tmp/a.jpg", 1}, {"/tmp/c.png", 3}}));
}

TEST(LiveSave, NameWithoutExtensionTakesTheOneOfTheEntrySelectedNow) {
    struct Case {
        const char* name;
        const char* typed;
        int entry;
        const char* written;
    };
    const Case cases[] = {
        {"text entry", "/tmp/report", 2, "/tmp/report.txt"},
        {"picture entry", "/tmp/report", 1, "/tmp/report.jpg"},
        {"own extension kept", "/tmp/report.png", 1, "/tmp/report.png"},
        {"dot in the folder only", "/tmp/v1.2/report", 2, "/tmp/v1.2/report.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Started rig;
        rig.save("/tmp/first.jpg", 1);  // the previous use left the picture entry selected
        rig.save(c.typed, c.entry);
        const bool picture = c.entry == 1;
        EXPECT_EQ(picture ? rig.snapshot.saved.count(c.written) : rig.files.files.count(c.written),
                  1u);
    }
}

TEST(LiveSave, CancelWritesNothingAndSaysNothing) {
    Started rig;
    rig.dialog.saveAnswers.push_back(std::nullopt);
    rig.form.Command2_Click();
    EXPECT_TRUE(rig.files.files.empty());
    EXPECT_TRUE(rig.snapshot.saved.empty());
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(rig.desktop.beeps, 0);
    EXPECT_EQ(rig.files.folders.size(), 1u);  // the folder is made even so
}

TEST(LiveSave, FailedWriteIsReportedWithItsReason) {
    struct Case {
        const char* name;
        int entry;
    };
    for (const Case c : {Case{"picture", 1}, Case{"text", 2}}) {
        SCOPED_TRACE(c.name);
        Started rig;
        rig.files.failWith = "No such file or directory";
        rig.snapshot.failWith = "No such file or directory";
        rig.save("/nowhere/page", c.entry);
        EXPECT_EQ(rig.desktop.beeps, 1);
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        EXPECT_EQ(rig.desktop.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(rig.desktop.messages[0].title, "Saving Error!");
        EXPECT_EQ(rig.desktop.messages[0].text, "文件保存出错.\r\nNo such file or directory");
        EXPECT_TRUE(rig.files.files.empty());
    }
}

TEST(LiveSave, SaveFolderThatCannotBeMadeStillLetsTheUserChoose) {
    Started rig;
    rig.files.folderCanBeMade = false;
    rig.save("/tmp/page.txt", 2);
    EXPECT_EQ(rig.dialog.shown[0].initialFolder, "");
    EXPECT_EQ(rig.files.files.count("/tmp/page.txt"), 1u);
}

}  // namespace
}  // namespace pm::live_save

// Saving the history table: the text file block by block, the workbook, and what a cleared or
// cut-short table gives.
namespace pm::history_save {
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
    // Record 3 was asked twice in vain and stays an empty block under its own number.
    std::string missing = kEmptyBlock;
    missing.replace(missing.find("NO.1"), 4, "NO.3");
    missing.replace(missing.find("In:"), 3, "In/A:");
    EXPECT_EQ(rig.saveText(), kRecord1 + kRecord2 + missing);
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
}  // namespace pm::history_save

// The Print button: the printer dialog, the real-time report with its diagram, the history
// report block by block, and failures.
namespace pm::print {
namespace {

using testing::Rig;

struct Started : Rig {
    Started() { form.Form_Load(); }
    void print(PrintChoice answer = {PrintDialogOutcome::Accepted, ""}) {
        dialog.printAnswers.push_back(answer);
        form.Command4_Click();
    }
};

TEST(Print, RealTimeReportIsThePageIndentedWithTheDiagramBesideIt) {
    Started rig;
    rig.s().rxBytes = testing::balancedFrame();
    rig.form.updateLivePanel();
    rig.print();
    const std::vector<std::string> expected{
        "begin",
        "y:500",
        "line:     ",
        "line:                   U/V     I/A     P/KW   Q/Kvar   S/KVA    PF   ",
        "line:          1CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866",
        "line:          2CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866",
        "line:          3CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866",
        "line:          U1U2:  120.0°    I1I2:  120.0°    U1I1:  30.0°",
        "line:          U2U3:  120.0°    I2I3:  120.0°    U2I2:  30.0°",
        "line:          U3U1:  120.0°    I3I1:  120.0°    U3I3:  30.0°",
        "line:          F/Hz:  50.00       In/A:  0.000",
        "line:     ",
        "x:7000",
        "y:200",
        "picture:7000,200",
        "end",
    };
    EXPECT_EQ(rig.printer.log, expected);
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(rig.dialog.filterIndex(), 0);  // the printer dialog leaves the save entry alone
}

// Print goes to the view shown: the real-time panel and the wiring check each with their own
// diagram beside the first lines, the history table as lines alone, the trend as its chart.
TEST(Print, EachViewPrintsItsOwnReport) {
    struct Case {
        int tab;
        const char* firstLine;  // of the report, "" for none
        int diagram;            // 0: none, 1: the phasor diagram, 2: the wiring diagram
        const char* last;       // the log's last entry before "end"
    };
    for (const Case& c :
         {Case{1, "line:     ", 1, "picture:7000,200"}, Case{2, "line:", 0, ""},
          Case{3, "line:", 2, "picture:7000,200"}, Case{4, "", 0, "snapshot:500,500"}}) {
        Started rig;
        rig.w().TabStrip1.select(c.tab);
        rig.form.TabStrip1_Click();
        rig.print();
        const std::vector<std::string>& log = rig.printer.log;
        ASSERT_GE(log.size(), 3u) << c.tab;
        EXPECT_EQ(log.back(), "end") << c.tab;
        if (*c.last != 0) {
            EXPECT_EQ(log[log.size() - 2], c.last) << c.tab;
        }
        if (*c.firstLine != 0) {
            const auto line = std::find_if(log.begin(), log.end(), [](const std::string& entry) {
                return entry.starts_with("line:");
            });
            ASSERT_NE(line, log.end()) << c.tab;
            EXPECT_TRUE(line->starts_with(c.firstLine)) << c.tab;
        }
        const std::vector<const DrawingSurface*> expected =
            c.diagram == 1   ? std::vector<const DrawingSurface*>{&rig.surface}
            : c.diagram == 2 ? std::vector<const DrawingSurface*>{&rig.wiringSurface}
                             : std::vector<const DrawingSurface*>{};
        EXPECT_EQ(rig.printer.pictures, expected) << c.tab;
    }
}

TEST(Print, HistoryReportAfterStartIsOneBlockOfLabels) {
    Started rig;
    rig.clickTab(2);
    rig.print();
    const std::vector<std::string> expected{
        "  ",
        "        NO.1  U/V  I/A     P/KW   Q/Kvar  S/KVA     PF",
        "        1CH:            ",
        "        2CH:            ",
        "        3CH:            ",
        "        U1U2:    I1I2:    U1I1:    ",
        "        U2U3:    I2I3:    U2I2:    ",
        "        U3U1:    I3I1:    U3I3:    ",
        "        F/Hz:      In:  ",
        "  ",
    };
    EXPECT_EQ(rig.printer.lines(), expected);
    EXPECT_EQ(rig.printer.log.front(), "begin");
    EXPECT_EQ(rig.printer.log.back(), "end");
}

TEST(Print, HistoryReportCoversEveryBlockShownOrCounted) {
    struct Case {
        const char* name;
        int recordCount;
        int blocksInTable;
        int fullBlocks;
        int blankOnlyBlocks;
    };
    const Case cases[] = {
        {"count larger than the table (after Clear)", 3, 1, 1, 2},
        {"table larger than the count (a later read found nothing)", 0, 3, 3, 0},
        {"both agree", 2, 2, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Started rig;
        rig.clickTab(2);
        rig.grid.setRows(9 * c.blocksInTable);
        rig.s().recordCount = static_cast<std::int16_t>(c.recordCount);
        rig.print();
        const std::size_t expectedLines =
            static_cast<std::size_t>(10 * c.fullBlocks + 2 * c.blankOnlyBlocks);
        EXPECT_EQ(rig.printer.lines().size(), expectedLines);
    }
}

TEST(Print, DialogOutcomes) {
    struct Case {
        const char* name;
        PrintDialogOutcome outcome;
        const char* dialogError;
        const char* beginError;
        const char* endError;
        bool printed;
        const char* message;  // empty: none
    };
    const Case cases[] = {
        {"cancelled", PrintDialogOutcome::Cancelled, "", "", "", false, ""},
        {"dialog failed", PrintDialogOutcome::Failed, "no printer", "", "", false,
         "文件打印出错.\r\nno printer"},
        {"job cannot start", PrintDialogOutcome::Accepted, "", "cannot open output", "", false,
         "文件打印出错.\r\ncannot open output"},
        {"job fails at the end", PrintDialogOutcome::Accepted, "", "", "disk full", true,
         "文件打印出错.\r\ndisk full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Started rig;
        rig.printer.beginError = c.beginError;
        rig.printer.endError = c.endError;
        rig.print({c.outcome, c.dialogError});
        EXPECT_EQ(!rig.printer.lines().empty(), c.printed);
        if (std::string(c.message).empty()) {
            EXPECT_TRUE(rig.desktop.messages.empty());
            EXPECT_EQ(rig.desktop.beeps, 0);
        } else {
            ASSERT_EQ(rig.desktop.messages.size(), 1u);
            EXPECT_EQ(rig.desktop.beeps, 1);
            EXPECT_EQ(rig.desktop.messages[0].icon, MessageIcon::Warning);
            EXPECT_EQ(rig.desktop.messages[0].title, "Printing Error!");
            EXPECT_EQ(rig.desktop.messages[0].text, c.message);
        }
    }
}

}  // namespace
}  // namespace pm::print
