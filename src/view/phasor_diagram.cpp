#include "view/phasor_diagram.h"

#include <cmath>

#include "core/number_text.h"
#include "core/rounding.h"
#include "platform/drawing_surface.h"
#include "protocol/derived_values.h"

namespace pm {
namespace {

// From this current on I1 counts as present, so the angle from I3 to I1 can be trusted.
constexpr double kCurrentPresent = 0.002;

// Not a wrap into 0..360: the remainder keeps the sign of the dividend, so -1 stays -1 and is
// then not drawn.
double signedRemainder360(double wholeDegrees) {
    return std::fmod(wholeDegrees, 360.0);
}

}  // namespace

std::optional<PhasorTip> phasorTip(const PhasorTable& x, const PhasorTable& y, int angle,
                                   bool fullLength) {
    if (angle < 0 || angle > 360) {
        return std::nullopt;
    }
    PhasorTip tip;
    if (angle > 180) {
        const auto k = static_cast<std::size_t>(angle - 180);
        tip = {-static_cast<double>(x[k]), -static_cast<double>(y[k])};
    } else {
        const auto k = static_cast<std::size_t>(angle);
        tip = {static_cast<double>(x[k]), static_cast<double>(y[k])};
    }
    if (!fullLength) {
        tip.x *= kCurrentLengthFactor;
        tip.y *= kCurrentLengthFactor;
    }
    return tip;
}

std::array<double, kPhasorCount> phasorAngles(const PhasorCaptions& captions,
                                              const NumberFormat& format) {
    auto reads = [&](std::string_view caption) { return readNumber(caption, format); };
    auto angle = [&](int index) { return reads(captions.phase[static_cast<std::size_t>(index)]); };
    const double u1u2 = angle(0), u2u3 = angle(1), u3u1 = angle(2);
    const double i1i2 = angle(3), i2i3 = angle(4), i3i1 = angle(5);
    const double u1i1 = angle(6), u2i2 = angle(7), u3i3 = angle(8);
    // An absent voltage gives no power figures either: one threshold for both.
    const bool u1Present = reads(captions.u[0]) >= kActiveVolts;
    const bool u2Present = reads(captions.u[1]) >= kActiveVolts;
    const bool u3Present = reads(captions.u[2]) >= kActiveVolts;
    const bool i1Present = reads(captions.i1) >= kCurrentPresent;

    std::array<double, kPhasorCount> a{};
    // Voltage 1 is the reference; every other direction is measured from it, going round the
    // triangle the other way when a voltage is missing.
    a[kU1] = 0;
    a[kU2] = roundHalfToEven(u1u2);
    a[kU3] = u1Present ? signedRemainder360(roundHalfToEven(360 - u3u1))
                       : signedRemainder360(roundHalfToEven(u2u3));
    a[kI1] = roundHalfToEven(u1i1);
    a[kI2] = u2Present ? signedRemainder360(roundHalfToEven(u1u2 + u2i2))
                       : signedRemainder360(roundHalfToEven(i1i2));
    if (u1Present && u3Present) {
        a[kI3] = signedRemainder360(roundHalfToEven(360 - u3u1 + u3i3));
    } else if (u3Present) {
        a[kI3] = signedRemainder360(roundHalfToEven(u2u3 + u3i3));
    } else if (i1Present) {
        a[kI3] = signedRemainder360(roundHalfToEven(360 - i3i1));
    } else {
        a[kI3] = signedRemainder360(roundHalfToEven(i2i3));
    }
    return a;
}

void drawPhasor(DrawingSurface& surface, const PhasorTable& x, const PhasorTable& y,
                std::int16_t angle, bool fullLength, Colour colour) {
    if (const auto tip = phasorTip(x, y, angle, fullLength)) {
        surface.line(0, 0, tip->x, tip->y, colour);
    }
}

void redrawPhasorDiagram(DrawingSurface& surface, const PhasorCaptions& captions,
                         const PhasorTable& x, const PhasorTable& y, const NumberFormat& format) {
    const std::array<double, kPhasorCount> angles = phasorAngles(captions, format);
    surface.setScale(kPhasorScaleLeft, kPhasorScaleTop, kPhasorScaleRight, kPhasorScaleBottom);
    surface.setDrawWidth(kPhasorDrawWidth);
    surface.setAutoRedraw(true);
    surface.cls();
    for (std::size_t k = 0; k < angles.size(); ++k) {
        // Checked as a double first: a caption can read as any number, and only 0..360 has a tip.
        if (!(angles[k] >= 0 && angles[k] <= 360)) {
            continue;
        }
        drawPhasor(surface, x, y, static_cast<std::int16_t>(angles[k]), k < kI1, kPhasorColours[k]);
    }
    surface.circle(0, 0, kPhasorCircleRadius, kPhasorCircleCyan);
}

}  // namespace pm
