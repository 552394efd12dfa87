#pragma once

// The wiring page's diagram: the six phasors of one reading as measured, each labelled by its
// channel and by what the wiring check found it to be ("I1=-Ia").

#include <array>
#include <optional>
#include <string>

#include "analysis/wiring_check.h"
#include "view/phasor_diagram.h"

namespace pm {

class DrawingSurface;

// The diagram's user coordinates: origin at the centre, y growing upward, room for the labels
// round the circle.
constexpr double kWiringScaleExtent = 700;
constexpr double kWiringLabelRadius = 520;

// Direction of U1..U3 and I1..I3 in degrees clockwise from the first present one (U1 when it is
// there), in 0..360. A quantity below the idle thresholds has none, and so has one that no
// measured angle ties to the reference. A record without voltage-to-voltage angles ties its
// voltages through their currents.
std::array<std::optional<double>, kPhasorCount> wiringPhasorAngles(const WiringReading& reading);

// The label of a phasor: its channel ("U1") and, when the check named it, "=" and the name.
std::string wiringPhasorLabel(int phasor, const std::string& foundName);

// Clears the surface and draws the phasors that have a direction, in the live diagram's colours
// (voltages full length, currents shorter), the circle, and the labels. The names are those of
// the check's first answer, by channel; empty ones leave the label at the channel.
void drawWiringDiagram(DrawingSurface& surface, const WiringReading& reading,
                       const std::array<std::string, 3>& voltageNames,
                       const std::array<std::string, 3>& currentNames);

}  // namespace pm
