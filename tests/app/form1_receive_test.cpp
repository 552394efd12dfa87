// The receive handler, and the live update it runs for a live-data reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/rig.h"
#include "fakes/test_frames.h"

// The receive handler: the common steps of every receive event and the routing by the request
// sent last, fed exactly the bytes each case needs.
namespace pm::reply_dispatch {
namespace {

using testing::PortSetup;
using testing::Rig;
using Bytes = std::vector<std::uint8_t>;

// Port 1 open on a device that never answers by itself: the test plays the meter.
struct OnOpenPort : Rig {
    OnOpenPort() {
        serial.setPort(1, PortSetup::MuteDevice);
        form.Form_Load();
        scheduler.advanceBy(500);  // the scan opens port 1 and sends the handshake
        s().timeoutTicks = 3;
    }
};

TEST(ReplyDispatch, HandshakeReply) {
    struct Case {
        const char* name;
        bool linkedBefore;
        Bytes bytes;
        bool linkedAfter;
        const char* label2;
    };
    const Case cases[] = {
        {"the meter's answer", false, {0xAA, 0x55, 0xAA}, true, "通信成功"},
        {"one byte off", false, {0xAA, 0x55, 0xAB}, false, "通信失败"},
        {"a fourth byte is ignored", false, {0xAA, 0x55, 0xAA, 0x00}, true, "通信成功"},
        {"keep-alive while linked", true, {0x01, 0x02, 0x03}, true, "通信失败"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OnOpenPort rig;
        rig.s().linked = c.linkedBefore;
        ASSERT_EQ(rig.s().pendingCommand, 11000);
        rig.serial.arrive(c.bytes);
        EXPECT_EQ(rig.s().rxBytes, c.bytes);
        EXPECT_EQ(rig.s().timeoutTicks, 0);  // any reply is a sign of life
        EXPECT_EQ(rig.s().linked, c.linkedAfter);
        EXPECT_EQ(rig.w().Label2.caption(), c.label2);
        EXPECT_EQ(rig.serial.inBufferCount(), 0);
    }
}

TEST(ReplyDispatch, RecordCountReply) {
    // Two bytes giving 0 to 10000 are a count; anything else is not, and the read stops at once
    // with a message rather than reading records that are not there.
    struct Case {
        const char* name;
        Bytes bytes;
        int count;
        bool reading;  // Readdat started, polling left off
        bool refused;
    };
    const Case cases[] = {
        {"five", {0x05, 0x00}, 5, true, false},
        {"three hundred", {0x2C, 0x01}, 300, true, false},
        {"none", {0x00, 0x00}, 0, false, false},
        {"the last record number", {0x10, 0x27}, 10000, true, false},
        {"one more than there are codes for", {0x11, 0x27}, 0, false, true},
        {"top bit set", {0x40, 0x9C}, 0, false, true},
        {"all ones", {0xFF, 0xFF}, 0, false, true},
        {"three bytes: the head of another reply", {0xC8, 0x32, 0x05}, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OnOpenPort rig;
        rig.w().comunication.setEnabled(false);
        rig.w().Command1.setEnabled(false);
        rig.w().Command2.setEnabled(false);
        rig.form.sendRequest(12000);
        EXPECT_EQ(rig.serial.rThreshold(), 2);
        rig.serial.arrive(c.bytes);
        EXPECT_EQ(rig.s().recordCount, c.count);
        EXPECT_EQ(rig.w().Readdat.enabled(), c.reading);
        EXPECT_EQ(rig.s().recordIndex, c.reading ? 1 : 0);
        EXPECT_EQ(rig.w().comunication.enabled(), !c.reading);
        EXPECT_EQ(rig.w().Command1.enabled(), !c.reading);
        EXPECT_EQ(rig.w().Command2.enabled(), !c.reading);
        EXPECT_EQ(rig.s().read.countRefused, c.refused);
        EXPECT_EQ(rig.w().readReport.enabled(), c.refused);
    }
}

TEST(ReplyDispatch, ClockSetReplyAndStrayEventsChangeNothingElse) {
    OnOpenPort rig;
    rig.form.sendRequest(14000);
    rig.serial.arrive({0x12, 0x34, 0x56});
    EXPECT_EQ(rig.s().rxBytes, (Bytes{0x12, 0x34, 0x56}));
    EXPECT_EQ(rig.s().timeoutTicks, 0);
    EXPECT_FALSE(rig.s().linked);
    EXPECT_EQ(rig.w().Label2.caption(), "通信失败");

    // An event that is not about received data leaves even the time-out count alone.
    rig.s().timeoutTicks = 2;
    rig.serial.raiseEvent(3);
    EXPECT_EQ(rig.s().timeoutTicks, 2);
    EXPECT_EQ(rig.s().rxBytes, (Bytes{0x12, 0x34, 0x56}));
}

TEST(ReplyDispatch, SendRequestOnAClosedPortChangesNothing) {
    Rig rig;
    rig.form.Form_Load();
    rig.s().pendingCommand = 11000;
    rig.form.sendRequest(13000);
    EXPECT_EQ(rig.s().pendingCommand, 11000);
    EXPECT_EQ(rig.serial.rThreshold(), 0);
    EXPECT_TRUE(rig.serial.writes().empty());
}

TEST(ReplyDispatch, StoredRecordIsFiledUnderTheRequestSentLast) {
    OnOpenPort rig;
    rig.form.sendRequest(12);
    rig.serial.arrive(sim::encodeFrame(sim::storedReading(12)));
    EXPECT_EQ(rig.grid.rows(), 108);
    EXPECT_EQ(rig.grid.textMatrix(99, 0), "NO.12");
    // A reply that comes in after the next request was sent is taken for that request's.
    rig.form.sendRequest(13);
    rig.serial.arrive(sim::encodeFrame(sim::storedReading(12)));
    EXPECT_EQ(rig.grid.textMatrix(108, 0), "NO.13");
}

}  // namespace
}  // namespace pm::reply_dispatch

namespace pm::live_panel {
namespace {

using testing::balancedFrame;
using testing::firstBytes;
using testing::Frame;
using testing::Rig;
using testing::withByte;
using testing::withWord;

const NumberFormat kPlain{};
const std::string kDeg = "\u00B0";

// Started; each frame goes through the live update as the receive handler passes it on.
struct Panel : Rig {
    explicit Panel(NumberFormat format = {}) : Rig(std::move(format)) { form.Form_Load(); }
    void update(const Frame& frame) {
        s().rxBytes = frame;
        form.updateLivePanel();
    }
    int redraws() const {
        return static_cast<int>(std::count_if(surface.calls.begin(), surface.calls.end(),
                                              [](const SurfaceCall& c) { return c.op == "cls"; }));
    }
};

struct Expected {
    const Label* label;
    std::string caption;
};

void expectCaptions(const std::vector<Expected>& expected) {
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.label->name() + "(" + std::to_string(e.label->index()) + ")");
        EXPECT_EQ(e.label->caption(), e.caption);
    }
}

TEST(RealTimePanel, BalancedFrameFillsEveryLabel) {
    struct Case {
        const char* name;
        NumberFormat format;
        std::string u, i, ang120, ang30, f, s, pf, p, q, in;
    };
    const Case cases[] = {
        {"plain", kPlain, "230.00", "5.000", "120.0" + kDeg, "30.0" + kDeg, "50.00", "1.1500",
         "0.866", "0.9959", "0.5750", "0.000"},
        {"comma decimals",
         {",", "\u00A0", {3}},
         "230,00",
         "5,000",
         "120,0" + kDeg,
         "30,0" + kDeg,
         "50,00",
         "1,1500",
         "0,866",
         "0,9959",
         "0,5750",
         "0,000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Panel panel(c.format);
        panel.update(balancedFrame());
        WindowModel& w = panel.w();
        std::vector<Expected> expected;
        for (int k = 0; k < 3; ++k) {
            expected.insert(expected.end(), {{w.u[k], c.u},
                                             {w.i[k], c.i},
                                             {w.phase[k], c.ang120},
                                             {w.phase[3 + k], c.ang120},
                                             {w.phase[6 + k], c.ang30},
                                             {w.s[k], c.s},
                                             {w.pf[k], c.pf},
                                             {w.p[k], c.p},
                                             {w.q[k], c.q}});
        }
        expected.insert(expected.end(), {{w.freq, c.f}, {w.isum, c.in}});
        expectCaptions(expected);
    }
}

TEST(RealTimePanel, DiagramSeesNewAnglesButNotYetTheNewFrequencyOrPowers) {
    Panel panel;
    WindowModel& w = panel.w();
    int redraws = 0;
    panel.surface.onCls = [&] {
        ++redraws;
        expectCaptions({{w.u[2], "230.00"},
                        {w.i[0], "5.000"},
                        {w.phase[8], "30.0" + kDeg},
                        {w.freq, "0.00"},  // still the design caption
                        {w.s[0], "0.0000"},
                        {w.pf[0], "1.000"}});
    };
    panel.update(balancedFrame());
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(w.freq->caption(), "50.00");
    EXPECT_EQ(w.s[0]->caption(), "1.1500");
}

TEST(RealTimePanel, InvalidRangeCodeKeepsOldTextAndPowersFollowIt) {
    Panel panel;
    WindowModel& w = panel.w();
    panel.update(balancedFrame());

    // Channel 2: its voltage code is invalid (and its word changed), its current doubled.
    Frame next = withByte(withWord(balancedFrame(), 2, 100), 13, 0);
    next = withWord(next, 8, 10000);
    // Channel 1: current code 1 is not a current code, its word is ignored.
    next = withByte(withWord(next, 6, 1), 15, 1);
    // Channel 3: voltage 9.99 makes it idle whatever its current.
    next = withWord(next, 4, 999);
    panel.update(next);

    expectCaptions({
        {w.u[1], "230.00"},  // kept
        {w.i[1], "10.000"},
        {w.s[1], "2.3000"},
        {w.pf[1], "0.866"},
        {w.p[1], "1.9918"},
        {w.q[1], "1.1500"},
        {w.i[0], "5.000"},  // kept
        {w.s[0], "1.1500"},
        {w.u[2], "9.99"},
        {w.s[2], "0.0000"},
        {w.pf[2], "1.000"},
        {w.p[2], "0.0000"},
        {w.q[2], "0.0000"},
        // 5 A at 0, 10 A at 120 and 5 A at 240 degrees leave 5 A.
        {w.isum, "5.000"},
    });
}

TEST(RealTimePanel, LowCurrentZeroesTheNeutralCurrent) {
    Panel panel;
    WindowModel& w = panel.w();
    panel.update(withByte(withWord(balancedFrame(), 10, 190), 17, 2));
    expectCaptions({{w.i[2], "0.0190"}, {w.s[2], "0.0000"}, {w.isum, "0.000"}});
}

TEST(RealTimePanel, ShortFramesUpdateWhatTheyHoldAndKeepTheRest) {
    Panel panel;
    WindowModel& w = panel.w();
    panel.update(balancedFrame());
    Frame changed = withWord(balancedFrame(), 0, 22000);  // U1 220.00
    changed = withWord(changed, 18, 1190);                // U1U2 119.0
    changed = withWord(changed, 24, 1190);                // I1I2 119.0
    changed = withWord(changed, 36, 4990);                // 49.90 Hz
    panel.update(firstBytes(changed, 26));
    EXPECT_EQ(panel.redraws(), 2);
    expectCaptions({
        {w.u[0], "220.00"},
        {w.phase[0], "119.0" + kDeg},
        {w.phase[3], "119.0" + kDeg},
        {w.phase[4], "120.0" + kDeg},  // bytes 26.. missing: kept
        {w.freq, "50.00"},             // kept
        {w.s[0], "1.1000"},            // from the new voltage
        // a = 119 now: Re = 5 - 2.425 - 2.5, Im = 4.375 - 4.330
        {w.isum, "0.087"},
    });

    panel.update(Frame{});  // nothing to take: nothing lost
    expectCaptions({{w.u[0], "220.00"}, {w.s[0], "1.1000"}, {w.isum, "0.087"}});
}

// Phasors without a tip are left out of the diagram, and the update goes on to the end.
TEST(RealTimePanel, PhasorsThatCannotBeDrawnDoNotStopTheUpdate) {
    Panel panel;
    Frame frame = withWord(balancedFrame(), 18, 4000);  // U1U2 400.0: U2 has no tip
    frame = withWord(frame, 22, 3610);                  // U3U1 361.0: U3 at -1 degrees
    frame = withWord(frame, 30, 4000);                  // U1I1 400.0: I1 has no tip
    panel.update(frame);
    const std::vector<SurfaceCall>& calls = panel.surface.calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().op, "circle");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const SurfaceCall& c) { return c.op == "line"; }),
              3);
    expectCaptions(
        {{panel.w().freq, "50.00"}, {panel.w().q[2], "0.5750"}, {panel.w().isum, "0.000"}});
}

}  // namespace
}  // namespace pm::live_panel
