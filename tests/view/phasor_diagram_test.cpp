#include "view/phasor_diagram.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fakes/recording_surface.h"
#include "view/phasor_tables.h"

namespace pm {
namespace {

using Tip = std::optional<PhasorTip>;
using Angles = std::array<const char*, 9>;  // U1U2, U2U3, U3U1, I1I2, I2I3, I3I1, U1I1, U2I2, U3I3

constexpr Angles kBalancedAngles = {"120.0°", "120.0°", "120.0°", "120.0°", "120.0°",
                                    "120.0°", "30.0°",  "30.0°",  "30.0°"};
// Tips of the balanced three-phase frame: voltages 120 degrees apart, currents lagging by 30.
const std::array<Tip, 6> kBalancedTips = {PhasorTip{400, 0},       PhasorTip{-200, -346},
                                          PhasorTip{-200, 346},    PhasorTip{311.4, -180},
                                          PhasorTip{-310.5, -180}, PhasorTip{0, 360}};

struct PanelCase {
    const char* name;
    std::array<const char*, 3> u = {"230.00", "230.00", "230.00"};
    const char* i1 = "5.000";
    Angles angles = kBalancedAngles;
    std::array<Tip, 6> tips = {};  // U1, U2, U3, I1, I2, I3
    NumberFormat format = {};
};

PhasorCaptions captionsOf(const PanelCase& c) {
    PhasorCaptions captions{{c.u[0], c.u[1], c.u[2]}, c.i1, {}};
    for (std::size_t k = 0; k < 9; ++k) {
        captions.phase[k] = c.angles[k];
    }
    return captions;
}

Angles withAngle(Angles angles, std::size_t index, const char* text) {
    angles[index] = text;
    return angles;
}

std::array<Tip, 6> withTip(std::array<Tip, 6> tips, std::size_t index, Tip tip) {
    tips[index] = tip;
    return tips;
}

TEST(PhasorDiagram, TipsComeFromTheStoredTablesOnly) {
    struct Case {
        const char* name;
        std::int16_t angle;
        bool fullLength;
        Colour colour;
        std::optional<SurfaceCall> line;  // nullopt: nothing drawn
    };
    const auto lineTo = [](double x, double y, Colour colour) {
        return SurfaceCall{"line", {0, 0, x, y}, colour};
    };
    const Case cases[] = {
        {"zero points right", 0, true, 65535, lineTo(400, 0, 65535)},
        {"ninety points down", 90, true, 65280, lineTo(0, -400, 65280)},
        {"half turn points left", 180, true, 255, lineTo(-400, 0, 255)},
        {"past the half turn mirrors the table", 181, true, 255, lineTo(-399, 7, 255)},
        {"three quarters points up", 270, true, 255, lineTo(0, 400, 255)},
        {"a full turn is zero again", 360, true, 255, lineTo(400, 0, 255)},
        // The stored table, not the cosine, decides: 359 degrees is not (400, 7).
        {"stored values win over trigonometry", 359, true, 255, lineTo(375, 7, 255)},
        {"a current is nine tenths long", 30, false, 65280, lineTo(311.4, -180, 65280)},
        {"negative angle has no tip", -1, true, 255, std::nullopt},
        {"above a full turn is left out", 361, true, 255, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface surface;
        drawPhasor(surface, kPhasorXTable, kPhasorYTable, c.angle, c.fullLength, c.colour);
        std::vector<SurfaceCall> expected;
        if (c.line) {
            expected.push_back(*c.line);
        }
        expectSameCalls(surface.calls, expected);
    }
}

// Every redraw clears the surface, draws the phasors that have a tip and then the circle over them.
TEST(PhasorDiagram, RedrawDrawsEachPhasorFromTheCaptions) {
    const PhasorTip right{400, 0};
    const PhasorTip currentRight{360, 0};
    NumberFormat comma;
    comma.decimalSymbol = ",";
    comma.groupSeparator = ".";
    const PanelCase cases[] = {
        {.name = "all angles zero: everything points right",
         .angles = {"0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°"},
         .tips = {right, right, right, currentRight, currentRight, currentRight}},
        {.name = "balanced frame", .tips = kBalancedTips},
        // Before the first reading the panel shows zero volts and 360 degrees everywhere; the
        // diagram still draws all six phasors, pointing right.
        {.name = "design captions, nothing measured",
         .u = {"0.00", "0.00", "0.00"},
         .i1 = "0.0000",
         .angles = {"360.0°", "360.0°", "360.0°", "360.0°", "360.0°", "360.0°", "360.0°", "360.0°",
                    "360.0°"},
         .tips = {right, right, right, currentRight, currentRight, currentRight}},
        {.name = "all readings zero",
         .u = {"0.00", "0.00", "0.00"},
         .i1 = "0.0000",
         .angles = {"0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°", "0.0°"},
         .tips = {right, right, right, currentRight, currentRight, currentRight}},
        // Halves go to the even neighbour, also for a sum of two captions (120.5 + 30 = 150.5).
        {.name = "120.5 degrees rounds down to 120",
         .angles = withAngle(kBalancedAngles, 0, "120.5°"),
         .tips = kBalancedTips},
        {.name = "121.5 degrees rounds up to 122",
         .angles = withAngle(kBalancedAngles, 0, "121.5°"),
         .tips = withTip(withTip(kBalancedTips, kU2, PhasorTip{-212, -339}), kI2,
                         PhasorTip{0.9 * -352, 0.9 * -188})},
        {.name = "U3U1 above a full turn leaves U3 out",
         .angles = withAngle(kBalancedAngles, 2, "361.0°"),
         .tips = withTip(withTip(kBalancedTips, kU3, std::nullopt), kI3,
                         PhasorTip{0.9 * 349, 0.9 * -194})},
        {.name = "U1 just below 10 V: U3 and I3 go round by U2",
         .u = {"9.99", "230.00", "230.00"},
         .angles = withAngle(withAngle(kBalancedAngles, 1, "100.0°"), 2, "50.0°"),
         .tips = withTip(withTip(kBalancedTips, kU3, PhasorTip{-69, -392}), kI3,
                         PhasorTip{0.9 * -256, 0.9 * -306})},
        {.name = "U2 absent: I2 from I1I2",
         .u = {"230.00", "0.00", "230.00"},
         .angles = withAngle(kBalancedAngles, 3, "200.0°"),
         .tips = withTip(kBalancedTips, kI2, PhasorTip{0.9 * -375, 0.9 * 137})},
        {.name = "U3 absent, I1 too small: I3 from I2I3",
         .u = {"230.00", "230.00", "0"},
         .i1 = "0.0015",
         .angles = withAngle(withAngle(kBalancedAngles, 4, "100.0°"), 5, "200.0°"),
         .tips = withTip(kBalancedTips, kI3, PhasorTip{0.9 * -69, 0.9 * -392})},
        {.name = "U3 absent, I1 present: I3 from I3I1",
         .u = {"230.00", "230.00", "0.00"},
         .i1 = "0.0020",
         .angles = withAngle(withAngle(kBalancedAngles, 4, "100.0°"), 5, "200.0°"),
         .tips = withTip(kBalancedTips, kI3, PhasorTip{0.9 * -374, 0.9 * -137})},
        {.name = "a sum past a full turn wraps",
         .angles = withAngle(withAngle(kBalancedAngles, 0, "300.0°"), 7, "100.0°"),
         .tips = withTip(withTip(kBalancedTips, kU2, PhasorTip{200, 346}), kI2,
                         PhasorTip{0.9 * 306, 0.9 * -257})},
        {.name = "U2 and I1 are not wrapped, so above 360 they are left out",
         .angles = withAngle(withAngle(kBalancedAngles, 0, "400.0°"), 6, "6553.5°"),
         .tips = withTip(withTip(withTip(kBalancedTips, kU2, std::nullopt), kI1, std::nullopt), kI2,
                         PhasorTip{0.9 * 136, 0.9 * -374})},
        {.name = "regional settings with a decimal comma",
         .u = {"230,00", "230,00", "9,99"},
         .i1 = "5,0000",
         .angles = {"121,5°", "120,0°", "120,0°", "120,0°", "120,0°", "120,0°", "30,0°", "30,0°",
                    "30,0°"},
         // "9,99" is 9.99 here: U3 absent, so I3 comes from I3I1. Read with a decimal point
         // it would be 999.
         .tips = withTip(withTip(withTip(kBalancedTips, kU2, PhasorTip{-212, -339}), kI2,
                                 PhasorTip{0.9 * -352, 0.9 * -188}),
                         kI3, PhasorTip{0.9 * -200, 0.9 * 346}),
         .format = comma},
    };
    for (const PanelCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface surface;
        redrawPhasorDiagram(surface, captionsOf(c), kPhasorXTable, kPhasorYTable, c.format);

        std::vector<SurfaceCall> expected = {{"setScale", {-500, 500, 500, -500}},
                                             {"setDrawWidth", {2}},
                                             {"setAutoRedraw", {1}},
                                             {"cls", {}}};
        static constexpr std::array<Colour, 6> kColours = {65535, 65280, 255, 65535, 65280, 255};
        for (std::size_t k = 0; k < 6; ++k) {
            if (c.tips[k]) {
                expected.push_back({"line", {0, 0, c.tips[k]->x, c.tips[k]->y}, kColours[k]});
            }
        }
        expected.push_back({"circle", {0, 0, 400}, 16776960});
        expectSameCalls(surface.calls, expected);
    }
}

}  // namespace
}  // namespace pm
