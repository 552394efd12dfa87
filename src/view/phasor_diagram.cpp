#include "view/phasor_diagram.h"

#include <charconv>
#include <cmath>

#include "platform/drawing_surface.h"

namespace pm {
namespace {

// Voltages below this are taken as an absent channel, so its angles are not trusted.
constexpr double kVoltagePresent = 10.0;
// From this current on I1 counts as present, so the angle from I3 to I1 can be trusted.
constexpr double kCurrentPresent = 0.002;

// Halves go to the even neighbour, whatever the floating-point rounding mode happens to be.
double roundHalfEven(double x) {
    const double nearest = std::round(x);
    if (std::fabs(x - std::trunc(x)) == 0.5) {
        return 2.0 * std::round(x / 2.0);
    }
    return nearest;
}

// The remainder keeps the sign of the dividend: -1 stays -1 and is then not drawn.
double wrap360(double wholeDegrees) {
    return std::fmod(wholeDegrees, 360.0);
}

}  // namespace

std::optional<PhasorTip> phasorTip(const MeterState& state, int angle, bool fullLength) {
    if (angle < 0 || angle > 360) {
        return std::nullopt;
    }
    double x = 0;
    double y = 0;
    if (angle > 180) {
        const auto k = static_cast<std::size_t>(angle - 180);
        x = -static_cast<double>(state.phasorX[k]);
        y = -static_cast<double>(state.phasorY[k]);
    } else {
        const auto k = static_cast<std::size_t>(angle);
        x = state.phasorX[k];
        y = state.phasorY[k];
    }
    if (!fullLength) {
        x *= kCurrentLengthFactor;
        y *= kCurrentLengthFactor;
    }
    return PhasorTip{x, y};
}

std::array<double, kPhasorCount> phasorAngles(const WindowModel& window,
                                              const NumberFormat& format) {
    auto reads = [&](const Label* label) { return readNumber(label->caption(), format); };
    auto angle = [&](int index) { return reads(window.phase[static_cast<std::size_t>(index)]); };
    const double u1u2 = angle(0), u2u3 = angle(1), u3u1 = angle(2);
    const double i1i2 = angle(3), i2i3 = angle(4), i3i1 = angle(5);
    const double u1i1 = angle(6), u2i2 = angle(7), u3i3 = angle(8);
    const bool u1Present = reads(window.u[0]) >= kVoltagePresent;
    const bool u2Present = reads(window.u[1]) >= kVoltagePresent;
    const bool u3Present = reads(window.u[2]) >= kVoltagePresent;
    const bool i1Present = reads(window.i[0]) >= kCurrentPresent;

    std::array<double, kPhasorCount> a{};
    // Voltage 1 is the reference; every other direction is measured from it, going round the
    // triangle the other way when a voltage is missing.
    a[kU1] = 0;
    a[kU2] = roundHalfEven(u1u2);
    a[kU3] = u1Present ? wrap360(roundHalfEven(360 - u3u1)) : wrap360(roundHalfEven(u2u3));
    a[kI1] = roundHalfEven(u1i1);
    a[kI2] = u2Present ? wrap360(roundHalfEven(u1u2 + u2i2)) : wrap360(roundHalfEven(i1i2));
    if (u1Present && u3Present) {
        a[kI3] = wrap360(roundHalfEven(360 - u3u1 + u3i3));
    } else if (u3Present) {
        a[kI3] = wrap360(roundHalfEven(u2u3 + u3i3));
    } else if (i1Present) {
        a[kI3] = wrap360(roundHalfEven(360 - i3i1));
    } else {
        a[kI3] = wrap360(roundHalfEven(i2i3));
    }
    return a;
}

PhasorPicture planPhasorDiagram(const WindowModel& window, const MeterState& state,
                                const NumberFormat& format) {
    static constexpr std::array<Colour, kPhasorCount> kColours = {
        kPhasorYellow, kPhasorGreen, kPhasorRed, kPhasorYellow, kPhasorGreen, kPhasorRed};
    const std::array<double, kPhasorCount> angles = phasorAngles(window, format);
    PhasorPicture picture;
    for (std::size_t k = 0; k < angles.size(); ++k) {
        // Checked as a double first: a caption can read as any number, and only 0..360 has a tip.
        if (!(angles[k] >= 0 && angles[k] <= 360)) {
            continue;
        }
        const bool fullLength = k < kI1;
        if (const auto tip = phasorTip(state, static_cast<int>(angles[k]), fullLength)) {
            picture.phasors[k] = PhasorLine{kColours[k], tip->x, tip->y};
        }
    }
    return picture;
}

void drawPhasor(DrawingSurface& surface, const MeterState& state, std::int16_t angle,
                bool fullLength, std::string_view colour) {
    Colour value = 0;
    const char* const end = colour.data() + colour.size();
    const auto [stop, error] = std::from_chars(colour.data(), end, value);
    if (error != std::errc{} || stop != end) {
        return;
    }
    if (const auto tip = phasorTip(state, angle, fullLength)) {
        surface.line(0, 0, tip->x, tip->y, value);
    }
}

void redrawPhasorDiagram(DrawingSurface& surface, const WindowModel& window,
                         const MeterState& state, const NumberFormat& format) {
    const PhasorPicture picture = planPhasorDiagram(window, state, format);
    surface.setScale(kPhasorScaleLeft, kPhasorScaleTop, kPhasorScaleRight, kPhasorScaleBottom);
    surface.setDrawWidth(kPhasorDrawWidth);
    surface.setAutoRedraw(true);
    surface.cls();
    for (const std::optional<PhasorLine>& phasor : picture.phasors) {
        if (phasor) {
            surface.line(0, 0, phasor->x, phasor->y, phasor->colour);
        }
    }
    surface.circle(picture.circle.cx, picture.circle.cy, picture.circle.radius,
                   picture.circle.colour);
}

}  // namespace pm
