#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/meter_state.h"
#include "app/window_model.h"
#include "protocol/number_text.h"

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

struct PhasorLine {
    Colour colour = 0;
    double x = 0;  // the line runs from the origin to (x, y)
    double y = 0;
    bool operator==(const PhasorLine&) const = default;
};

struct PhasorCircle {
    double cx = 0;
    double cy = 0;
    double radius = kPhasorCircleRadius;
    Colour colour = kPhasorCircleCyan;
    bool operator==(const PhasorCircle&) const = default;
};

// Order of the phasors in a picture, which is also their drawing order.
enum PhasorIndex { kU1, kU2, kU3, kI1, kI2, kI3, kPhasorCount };

struct PhasorPicture {
    std::array<std::optional<PhasorLine>, kPhasorCount> phasors;  // nullopt: not drawn
    PhasorCircle circle;                                          // always drawn, last
};

// Tip of a phasor pointing `angle` whole degrees clockwise from the right, looked up in the
// state's tables; full length is a voltage's, otherwise a current's. Angles outside 0..360 have
// no tip: a negative one has no table entry, and one above 360 would only appear where an
// unreduced reading went wrong, so it is left out rather than drawn somewhere misleading.
std::optional<PhasorTip> phasorTip(const MeterState& state, int angle, bool fullLength);

// Direction of each phasor in whole degrees, from the panel captions as they read now. No
// range is applied: U2 and I1 are not reduced modulo 360, and a negative remainder stays
// negative.
std::array<double, kPhasorCount> phasorAngles(const WindowModel& window,
                                              const NumberFormat& format);

// The whole diagram as a function of the panel captions.
PhasorPicture planPhasorDiagram(const WindowModel& window, const MeterState& state,
                                const NumberFormat& format);

// Draws one phasor from the origin. `colour` holds the colour number in decimal digits; a text
// that is not such a number, or an angle without a tip, draws nothing.
void drawPhasor(DrawingSurface& surface, const MeterState& state, std::int16_t angle,
                bool fullLength, std::string_view colour);

// Clears the surface and draws the diagram for the current captions.
void redrawPhasorDiagram(DrawingSurface& surface, const WindowModel& window,
                         const MeterState& state, const NumberFormat& format);

}  // namespace pm
