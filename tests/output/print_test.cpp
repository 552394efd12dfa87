// The Print button: the printer dialog, the real-time report with its diagram, the history
// report block by block, and failures.
#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "protocol/frame_bytes.h"

namespace pm {
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
}  // namespace pm
