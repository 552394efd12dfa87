#include "view/wiring_diagram.h"

#include <cmath>
#include <cstddef>

#include "analysis/wiring_angles.h"
#include "platform/drawing_surface.h"
#include "protocol/derived_values.h"

namespace pm {
namespace {

// One measured angle: the direction of `to` clockwise from `from`, frame index `angle`.
struct Tie {
    int from;
    int to;
    int angle;
};
// In frame order, which is also the order of trust when two ties give a phasor its direction:
// the voltage triangle first, then the currents among themselves, then each voltage to its
// current.
constexpr Tie kTies[kAngleCount] = {
    {kU1, kU2, 0}, {kU2, kU3, 1}, {kU3, kU1, 2}, {kI1, kI2, 3}, {kI2, kI3, 4},
    {kI3, kI1, 5}, {kU1, kI1, 6}, {kU2, kI2, 7}, {kU3, kI3, 8},
};
constexpr int kVoltageTies = 3;

constexpr const char* kChannelNames[kPhasorCount] = {"U1", "U2", "U3", "I1", "I2", "I3"};

bool present(const std::optional<double>& value, double threshold) {
    return value && *value >= threshold;
}

// Clockwise in degrees, y upward: 90 points down.
PhasorTip pointAt(double degrees, double length) {
    const double radians = degrees * kPi / 180.0;
    return {length * std::cos(radians), -length * std::sin(radians)};
}

}  // namespace

std::array<std::optional<double>, kPhasorCount> wiringPhasorAngles(const WiringReading& reading) {
    std::array<bool, kPhasorCount> there{};
    for (std::size_t k = 0; k < 3; ++k) {
        there[kU1 + k] = present(reading.u[k], kActiveVolts);
        there[kI1 + k] = present(reading.i[k], kActiveAmperes);
    }
    std::array<std::optional<double>, kPhasorCount> angles;
    for (std::size_t start = 0; start < angles.size(); ++start) {
        if (there[start]) {
            angles[start] = 0;
            break;
        }
    }
    // Every pass ties at least one more phasor or ends: at most six passes.
    for (bool grew = true; grew;) {
        grew = false;
        for (const Tie& tie : kTies) {
            const auto from = static_cast<std::size_t>(tie.from);
            const auto to = static_cast<std::size_t>(tie.to);
            const std::optional<double>& measured =
                reading.angle[static_cast<std::size_t>(tie.angle)];
            if (!there[from] || !there[to] || !measured ||
                (tie.angle < kVoltageTies && reading.withoutVoltageAngles)) {
                continue;
            }
            if (angles[from] && !angles[to]) {
                angles[to] = wrapTo360(*angles[from] + *measured);
                grew = true;
            } else if (angles[to] && !angles[from]) {
                angles[from] = wrapTo360(*angles[to] - *measured);
                grew = true;
            }
        }
    }
    return angles;
}

std::string wiringPhasorLabel(int phasor, const std::string& foundName) {
    std::string label = kChannelNames[phasor];
    if (!foundName.empty()) {
        label += "=" + foundName;
    }
    return label;
}

void drawWiringDiagram(DrawingSurface& surface, const WiringReading& reading,
                       const std::array<std::string, 3>& voltageNames,
                       const std::array<std::string, 3>& currentNames) {
    const std::array<std::optional<double>, kPhasorCount> angles = wiringPhasorAngles(reading);
    surface.setScale(-kWiringScaleExtent, kWiringScaleExtent, kWiringScaleExtent,
                     -kWiringScaleExtent);
    surface.setDrawWidth(kPhasorDrawWidth);
    surface.setAutoRedraw(true);
    surface.cls();
    for (std::size_t k = 0; k < angles.size(); ++k) {
        if (angles[k]) {
            const double length = kPhasorCircleRadius * (k < kI1 ? 1.0 : kCurrentLengthFactor);
            const PhasorTip tip = pointAt(*angles[k], length);
            surface.line(0, 0, tip.x, tip.y, kPhasorColours[k]);
        }
    }
    surface.circle(0, 0, kPhasorCircleRadius, kPhasorCircleCyan);
    for (std::size_t k = 0; k < angles.size(); ++k) {
        if (!angles[k]) {
            continue;
        }
        const bool voltage = k < kI1;
        const std::string& name = voltage ? voltageNames[k] : currentNames[k - kI1];
        // Voltages are labelled outside the circle, currents inside it, so that a current in
        // phase with its voltage keeps a label of its own.
        const PhasorTip at =
            pointAt(*angles[k], voltage ? kWiringLabelRadius : 0.62 * kPhasorCircleRadius);
        surface.text(at.x, at.y, wiringPhasorLabel(static_cast<int>(k), name), kPhasorColours[k]);
    }
}

}  // namespace pm
