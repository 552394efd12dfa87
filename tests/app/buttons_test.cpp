// The tab strip and the buttons Clear, Close and Help.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace pm {
namespace {

using testing::PortSetup;
using testing::Rig;
using Bytes = std::vector<std::uint8_t>;

TEST(TabStrip, EachTabSetsTheWholeStateOfItsView) {
    struct Case {
        const char* name;
        int from;
        int to;
        bool liveView;
    };
    const Case cases[] = {
        {"history from live", 1, 2, false},
        {"live from history", 2, 1, true},
        {"live again", 1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.form.Form_Load();
        rig.clickTab(c.from);
        rig.w().comunication.setEnabled(false);
        rig.w().Command1.setEnabled(false);
        rig.w().Command2.setEnabled(false);
        rig.clickTab(c.to);
        EXPECT_EQ(rig.s().liveView, c.liveView);
        EXPECT_EQ(rig.w().Frame1.visible(), c.liveView);
        EXPECT_EQ(rig.grid.visible(), !c.liveView);
        EXPECT_TRUE(rig.w().comunication.enabled());
        EXPECT_TRUE(rig.w().Command1.enabled());
        EXPECT_TRUE(rig.w().Command2.enabled());
        EXPECT_TRUE(rig.w().Findcom.enabled());  // other timers untouched
        EXPECT_FALSE(rig.w().Readdat.enabled());
    }
}

TEST(ClearButton, EmptiesTheHiddenHistoryTableToo) {
    Rig rig;
    rig.form.Form_Load();
    rig.grid.setRows(27);
    rig.grid.setTextMatrix(20, 3, "1.2345");
    rig.grid.setTextMatrix(7, 2, "In/A:");
    rig.form.Command3_Click();
    EXPECT_EQ(rig.grid.rows(), 9);
    EXPECT_EQ(rig.grid.textMatrix(7, 2), "In:");
    EXPECT_EQ(rig.grid.textMatrix(0, 0), "NO.1");
    EXPECT_FALSE(rig.grid.visible());
    EXPECT_TRUE(rig.s().liveView);
}

TEST(CloseButton, EndsTheProgramWithoutAQuestion) {
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    EXPECT_EQ(rig.desktop.quits, 1);
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_TRUE(rig.serial.writes().empty());
}

TEST(HelpButton, SetsTheMetersClockWhenAPortIsOpenThenShowsTheAboutBox) {
    struct Case {
        const char* name;
        bool portOpen;
        int year;
        Bytes expectedFrame;  // empty: nothing sent
    };
    const Case cases[] = {
        {"no port open", false, 2026, {}},
        {"port open, meter not yet answering", true, 2026, {0xBB, 0x1A, 0x0C, 0x06, 0x03, 0x05}},
        {"first year that fits", true, 2000, {0xBB, 0x00, 0x0C, 0x06, 0x03, 0x05}},
        {"last year that fits", true, 2255, {0xBB, 0xFF, 0x0C, 0x06, 0x03, 0x05}},
        {"year too late for the frame", true, 2256, {}},
        {"year too early for the frame", true, 1999, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.serial.setPort(1, PortSetup::MuteDevice);
        rig.clock.setTime(c.year, 12, 6, 3, 5, 59);
        rig.form.Form_Load();
        if (c.portOpen) {
            rig.scheduler.advanceBy(500);  // the first scan tick opens port 1
            ASSERT_TRUE(rig.serial.portOpen());
        }
        rig.serial.clearWrites();
        bool sentBeforeTheBox = false;
        rig.desktop.whileShown = [&] { sentBeforeTheBox = !rig.serial.writes().empty(); };
        rig.form.Command6_Click();

        if (c.expectedFrame.empty()) {
            EXPECT_TRUE(rig.serial.writes().empty());
        } else {
            ASSERT_EQ(rig.serial.writes().size(), 1u);
            EXPECT_EQ(rig.serial.writes()[0].bytes, c.expectedFrame);
            EXPECT_TRUE(sentBeforeTheBox);
            EXPECT_EQ(rig.serial.rThreshold(), 3);
            EXPECT_EQ(rig.s().pendingCommand, 14000);
        }
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        const auto& box = rig.desktop.messages[0];
        EXPECT_EQ(box.icon, MessageIcon::Information);
        EXPECT_EQ(box.title, "欢迎使用我们公司产品");
        EXPECT_EQ(box.text, "智能型三钳相位伏安表数据上传软件V1.1(CN)\r   如需帮助请联系我们!\r");
    }
}

}  // namespace
}  // namespace pm
