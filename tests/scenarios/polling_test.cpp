// Polling once a second, the keep-alive of the history view, and the link time-out.
#include <gtest/gtest.h>

#include "core/number_text.h"
#include "fakes/rig.h"

namespace pm {
namespace {

using testing::Rig;

struct Linked : Rig {
    sim::InstrumentSimulator& meter = serial.attachInstrument(4);
    Linked() {
        meter.setReplyDelayMs(30);
        startAndLink();  // linked at 2030, scan stopped at 2500
        serial.clearWrites();
    }
};

TEST(Polling, LiveViewAsksForALiveFrameEverySecond) {
    Linked rig;
    rig.scheduler.advanceTo(10'500);
    std::vector<VirtualScheduler::Millis> times;
    for (const auto& write : rig.serial.writes()) {
        times.push_back(write.atMs);
    }
    EXPECT_EQ(times, (std::vector<VirtualScheduler::Millis>{3000, 4000, 5000, 6000, 7000, 8000,
                                                            9000, 10000}));
    EXPECT_EQ(rig.requestCodes(), std::vector<int>(8, 13000));
    const double volts = readNumber(rig.w().u[0]->caption());
    EXPECT_GT(volts, 200.0);
    EXPECT_LT(volts, 260.0);
    EXPECT_NE(rig.w().phase[6]->caption(), "360.0°");
    EXPECT_EQ(rig.w().Label2.caption(), "通信成功");
}

TEST(Polling, HistoryViewKeepsTheLinkAliveWithHandshakes) {
    Linked rig;
    rig.clickTab(2);
    rig.scheduler.advanceBy(60'000);
    const std::vector<int> codes = rig.requestCodes();
    EXPECT_GE(codes.size(), 59u);
    EXPECT_EQ(codes, std::vector<int>(codes.size(), 11000));
    EXPECT_TRUE(rig.s().linked);
    EXPECT_EQ(rig.w().Label2.caption(), "通信成功");
    EXPECT_EQ(rig.w().u[0]->caption(), "0.00");  // no live frame was asked for
}

TEST(LinkTimeout, SilenceIsDeclaredFourToFiveSecondsAfterTheLastReply) {
    struct Case {
        const char* name;
        bool unplug;
    };
    for (const Case c : {Case{"meter falls silent", false}, Case{"cable pulled", true}}) {
        SCOPED_TRACE(c.name);
        Linked rig;
        rig.scheduler.advanceTo(10'100);  // the poll of 10000 was answered at 10030
        if (c.unplug) {
            rig.serial.unplug(4);
        } else {
            rig.meter.setSilent(true);
        }
        const VirtualScheduler::Millis lastReply = 10'030;
        while (rig.w().Label2.caption() == "通信成功" && rig.scheduler.now() < 30'000) {
            rig.scheduler.runNext();
        }
        const VirtualScheduler::Millis declared = rig.scheduler.now();
        EXPECT_GE(declared - lastReply, 4000);
        EXPECT_LE(declared - lastReply, 5000);
        EXPECT_EQ(rig.w().Label2.caption(), "通信失败");
        EXPECT_FALSE(rig.s().linked);
        EXPECT_TRUE(rig.w().Findcom.enabled());
        EXPECT_EQ(rig.w().u[0]->caption().empty(), false);  // the panel keeps its readings

        // The scan starts again at the port after the one that was in use.
        const std::size_t before = rig.serial.opens().size();
        rig.scheduler.advanceBy(500);
        ASSERT_GT(rig.serial.opens().size(), before);
        EXPECT_EQ(rig.serial.opens()[before].port, 5);
    }
}

TEST(LinkTimeout, LinkComesBackWhenTheScanReachesTheMeterAgain) {
    Linked rig;
    rig.scheduler.advanceTo(10'100);
    rig.meter.setSilent(true);
    rig.scheduler.advanceTo(16'000);
    ASSERT_FALSE(rig.s().linked);
    rig.meter.setSilent(false);
    rig.scheduler.advanceTo(40'000);  // ports 5..16 and 1..3 first, then 4
    EXPECT_TRUE(rig.s().linked);
    EXPECT_FALSE(rig.w().Findcom.enabled());
    EXPECT_EQ(rig.serial.commPort(), 4);
    EXPECT_EQ(rig.w().Label2.caption(), "通信成功");
}

TEST(ReadButton, DoesNothingInTheLiveViewOrWithoutALink) {
    {
        Linked rig;
        rig.form.Command1_Click();  // live view
        EXPECT_TRUE(rig.serial.writes().empty());
        EXPECT_TRUE(rig.w().Command1.enabled());
        EXPECT_TRUE(rig.w().comunication.enabled());
    }
    {
        Rig rig;
        rig.form.Form_Load();
        rig.clickTab(2);
        rig.form.Command1_Click();  // no link
        EXPECT_TRUE(rig.serial.writes().empty());
        EXPECT_TRUE(rig.w().Command2.enabled());
    }
}

}  // namespace
}  // namespace pm
