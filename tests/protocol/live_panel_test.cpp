#include "view/live_panel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/frame_bytes.h"

namespace pm {
namespace {

using testing::balancedFrame;
using testing::firstBytes;
using testing::Frame;
using testing::withByte;
using testing::withWord;

const NumberFormat kPlain{};
const std::string kDeg = "\u00B0";

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
        WindowModel w;
        updateRealTimePanel(w, balancedFrame(), c.format, {});
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
    WindowModel w;
    int redraws = 0;
    updateRealTimePanel(w, balancedFrame(), kPlain, [&] {
        ++redraws;
        expectCaptions({{w.u[2], "230.00"},
                        {w.i[0], "5.000"},
                        {w.phase[8], "30.0" + kDeg},
                        {w.freq, "0.00"},  // still the design caption
                        {w.s[0], "0.0000"},
                        {w.pf[0], "1.000"}});
    });
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(w.freq->caption(), "50.00");
    EXPECT_EQ(w.s[0]->caption(), "1.1500");
}

TEST(RealTimePanel, InvalidRangeCodeKeepsOldTextAndPowersFollowIt) {
    WindowModel w;
    updateRealTimePanel(w, balancedFrame(), kPlain, {});

    // Channel 2: its voltage code is invalid (and its word changed), its current doubled.
    Frame next = withByte(withWord(balancedFrame(), 2, 100), 13, 0);
    next = withWord(next, 8, 10000);
    // Channel 1: current code 1 is not a current code, its word is ignored.
    next = withByte(withWord(next, 6, 1), 15, 1);
    // Channel 3: voltage 9.99 makes it idle whatever its current.
    next = withWord(next, 4, 999);
    updateRealTimePanel(w, next, kPlain, {});

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
    WindowModel w;
    updateRealTimePanel(w, withByte(withWord(balancedFrame(), 10, 190), 17, 2), kPlain, {});
    expectCaptions({{w.i[2], "0.0190"}, {w.s[2], "0.0000"}, {w.isum, "0.000"}});
}

TEST(RealTimePanel, ShortFramesUpdateWhatTheyHoldAndKeepTheRest) {
    WindowModel w;
    updateRealTimePanel(w, balancedFrame(), kPlain, {});
    Frame changed = withWord(balancedFrame(), 0, 22000);  // U1 220.00
    changed = withWord(changed, 18, 1190);                // U1U2 119.0
    changed = withWord(changed, 24, 1190);                // I1I2 119.0
    changed = withWord(changed, 36, 4990);                // 49.90 Hz
    int redraws = 0;
    updateRealTimePanel(w, firstBytes(changed, 26), kPlain, [&] { ++redraws; });
    EXPECT_EQ(redraws, 1);
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

    updateRealTimePanel(w, Frame{}, kPlain, {});  // nothing to take: nothing lost
    expectCaptions({{w.u[0], "220.00"}, {w.s[0], "1.1000"}, {w.isum, "0.087"}});
}

TEST(RealTimePanel, FailingDiagramDoesNotStopTheUpdate) {
    WindowModel w;
    updateRealTimePanel(w, balancedFrame(), kPlain,
                        [] { throw std::runtime_error("surface gone"); });
    expectCaptions({{w.freq, "50.00"}, {w.q[2], "0.5750"}, {w.isum, "0.000"}});
}

}  // namespace
}  // namespace pm
