// The wiring page's pure parts: the options from the controls, and the directions of the
// diagram's phasors from one reading.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "view/wiring_diagram.h"
#include "view/wiring_panel.h"

namespace pm {
namespace {

TEST(WiringPanel, OptionsFromTheControls) {
    struct Case {
        const char* name;
        WiringChoices choices;
        double from, to;
        bool pt;
        int bTerminal;
        std::optional<double> powerFactor;
    };
    const Case cases[] = {
        {"as designed", {}, 0, 60, false, 0, std::nullopt},
        {"own range typed high to low",
         {.loadRange = 3, .loadFrom = "45", .loadTo = "-15"},
         -15,
         45,
         false,
         0,
         std::nullopt},
        {"own range half typed", {.loadRange = 3, .loadFrom = "45"}, 0, 60, false, 0, std::nullopt},
        {"PT on four-wire", {.viaVoltageTransformers = true}, 0, 60, true, 0, std::nullopt},
        {"PT and terminal on three-wire",
         {.system = 1, .viaVoltageTransformers = true, .bTerminal = 2},
         0,
         60,
         false,
         2,
         std::nullopt},
        {"terminal on four-wire", {.bTerminal = 3}, 0, 60, false, 0, std::nullopt},
        {"power factor with a decimal comma", {.averagePowerFactor = " 0,8"}, 0, 60, false, 0, 0.8},
        {"power factor above one", {.averagePowerFactor = "1,2"}, 0, 60, false, 0, std::nullopt},
        {"power factor in words", {.averagePowerFactor = "cos"}, 0, 60, false, 0, std::nullopt},
    };
    const NumberFormat comma{",", ".", {3}, true, 1};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WiringOptions options = wiringOptionsOf(c.choices, comma);
        EXPECT_EQ(options.loadFrom, c.from);
        EXPECT_EQ(options.loadTo, c.to);
        EXPECT_EQ(options.viaVoltageTransformers, c.pt);
        EXPECT_EQ(options.bTerminal, c.bTerminal);
        EXPECT_EQ(options.averagePowerFactor, c.powerFactor);
    }
}

using Angles = std::array<std::optional<double>, kPhasorCount>;

// Three channels at 230 V and 5 A, positive sequence, currents 30 degrees behind.
WiringReading balanced() {
    WiringReading r;
    r.u = {230, 230, 230};
    r.i = {5, 5, 5};
    r.angle = {120, 120, 120, 120, 120, 120, 30, 30, 30};
    r.frequency = 50;
    return r;
}

TEST(WiringDiagram, DirectionsTieEveryPresentPhasorToTheFirst) {
    struct Case {
        const char* name;
        WiringReading reading;
        Angles expected;  // U1, U2, U3, I1, I2, I3
    };
    WiringReading withoutVoltageAngles = balanced();
    withoutVoltageAngles.withoutVoltageAngles = true;
    withoutVoltageAngles.angle[0] = withoutVoltageAngles.angle[1] = 0;  // what mode 2 leaves
    WiringReading u1Lost = balanced();
    u1Lost.u[0] = 2;
    WiringReading i3Idle = balanced();
    i3Idle.i[2] = 0.001;
    WiringReading angleUnknown = balanced();
    angleUnknown.angle[0] = std::nullopt;  // U2 then comes round the triangle the other way
    WiringReading onlyCurrents = balanced();
    onlyCurrents.u = {0, 0, 0};
    const Case cases[] = {
        {"balanced", balanced(), {0, 120, 240, 30, 150, 270}},
        {"record without voltage angles", withoutVoltageAngles, {0, 120, 240, 30, 150, 270}},
        {"U1 lost: U2 is the reference", u1Lost, {std::nullopt, 0, 120, 270, 30, 150}},
        {"I3 idle", i3Idle, {0, 120, 240, 30, 150, std::nullopt}},
        {"U1U2 unknown", angleUnknown, {0, 120, 240, 30, 150, 270}},
        {"no voltage at all",
         onlyCurrents,
         {std::nullopt, std::nullopt, std::nullopt, 0, 120, 240}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Angles got = wiringPhasorAngles(c.reading);
        for (std::size_t k = 0; k < got.size(); ++k) {
            ASSERT_EQ(got[k].has_value(), c.expected[k].has_value()) << "phasor " << k;
            if (got[k]) {
                EXPECT_NEAR(*got[k], *c.expected[k], 1e-9) << "phasor " << k;
            }
        }
    }
}

}  // namespace
}  // namespace pm
