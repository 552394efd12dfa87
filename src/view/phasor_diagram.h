#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/colour.h"
#include "core/number_format.h"
#include "protocol/measurement_frame.h"
#include "view/phasor_tables.h"

namespace pm {

class DrawingSurface;

// Channel colours of the diagram, meant for a dark ground.
constexpr Colour kPhasorYellow = 65535;  // channel 1
constexpr Colour kPhasorGreen = 65280;   // channel 2
constexpr Colour kPhasorRed = 255;       // channel 3
constexpr Colour kPhasorCircleCyan = 16776960;

// The diagram's user coordinates: origin at the centre, y growing upward.
constexpr double kPhasorScaleLeft = -500;
constexpr double kPhasorScaleTop = 500;
constexpr double kPhasorScaleRight = 500;
constexpr double kPhasorScaleBottom = -500;
constexpr int kPhasorDrawWidth = 2;
constexpr double kPhasorCircleRadius = 400;
// Currents are drawn shorter than voltages so that a current in phase with its voltage stays
// visible beside it.
constexpr double kCurrentLengthFactor = 0.9;

struct PhasorTip {
    double x = 0;
    double y = 0;
    bool operator==(const PhasorTip&) const = default;
};

// Order of the phasors in a picture, which is also their drawing order.
enum PhasorIndex { kU1, kU2, kU3, kI1, kI2, kI3, kPhasorCount };

// Colour of each phasor, in drawing order: channel 1, 2, 3, voltages first.
constexpr std::array<Colour, kPhasorCount> kPhasorColours = {
    kPhasorYellow, kPhasorGreen, kPhasorRed, kPhasorYellow, kPhasorGreen, kPhasorRed};

// The panel captions the diagram is drawn from, as they read once the new readings are shown.
struct PhasorCaptions {
    std::array<std::string_view, 3> u;  // U1..U3
    std::string_view i1;
    std::array<std::string_view, kAngleCount> phase;  // in frame order
};

// Tip of a phasor pointing `angle` whole degrees clockwise from the right, looked up in the
// tables; full length is a voltage's, otherwise a current's. Angles outside 0..360 have no tip:
// a negative one has no table entry, and one above 360 would only appear where an unreduced
// reading went wrong, so it is left out rather than drawn somewhere misleading.
std::optional<PhasorTip> phasorTip(const PhasorTable& x, const PhasorTable& y, int angle,
                                   bool fullLength);

// Direction of each phasor in whole degrees, from the captions. No range is applied: U2 and I1
// are not reduced modulo 360, and a negative remainder stays negative.
std::array<double, kPhasorCount> phasorAngles(const PhasorCaptions& captions,
                                              const NumberFormat& format);

// Draws one phasor from the origin in `colour`; an angle without a tip draws nothing.
void drawPhasor(DrawingSurface& surface, const PhasorTable& x, const PhasorTable& y,
                std::int16_t angle, bool fullLength, Colour colour);

// Clears the surface and draws the diagram for the captions: the six phasors in their colours,
// each through drawPhasor (an angle outside 0..360 draws nothing), then the circle over them.
// The diagram keeps no state of its own: it is a function of the captions.
void redrawPhasorDiagram(DrawingSurface& surface, const PhasorCaptions& captions,
                         const PhasorTable& x, const PhasorTable& y, const NumberFormat& format);

}  // namespace pm
