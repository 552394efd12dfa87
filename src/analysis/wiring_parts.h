#pragma once

// The pieces the files of the wiring check share, in the order the check runs: the reading sorted
// into present quantities and directions (wiring_reading.cpp), the hypotheses of the voltage side
// (voltage_hypotheses.cpp), the currents placed on phases (current_placement.cpp), the
// correction factor of each candidate (correction_factor.cpp), and the enumeration and ranking
// that makes the answers (wiring_check.cpp). Not part of the interface.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/wiring_angles.h"
#include "analysis/wiring_check.h"

namespace pm::wiring {

// Nodes of the angle graph: the three voltage and the three current channels.
enum Node { kNodeU1, kNodeU2, kNodeU3, kNodeI1, kNodeI2, kNodeI3, kNodeCount };

// What the reading holds once bad data, missing quantities and the angles are sorted out.
struct Measured {
    std::array<bool, kNodeCount> used{};     // channels the system measures
    std::array<bool, kNodeCount> present{};  // and that carry a quantity with a direction
    // Voltages under 78 % of the largest: lost for a star of phase voltages, though still
    // measured (a terminal on the neutral reads so too); in three-wire lost only when nothing
    // explains the two line voltages as they stand.
    std::array<bool, 3> low{};
    std::array<double, kNodeCount> magnitude{};
    std::array<double, kNodeCount> lag{};  // direction, from the first present voltage
    Phasor at(int node) const {
        return present[node] ? phasor(magnitude[node], lag[node]) : Phasor{};
    }
};

struct Prepared {
    Measured m;
    WiringReason reason;  // not None: the reading cannot be analysed
    WiringFaults missing;
    std::vector<WiringWarning> warnings;
};

Prepared prepare(const WiringReading& reading, const WiringOptions& options);

// A candidate of the voltage side: the phase voltages E (index = phase 0..2) as they follow
// from the measured channel voltages, and what each channel's voltage is made of.
struct VoltageSide {
    std::array<Phasor, 3> e{};
    std::array<bool, 3> known{};  // phase voltage derived from a measured one
    int faults = 0;
    WiringFaults faultList;
    // Channel voltage = sum over phases of coefficients[channel][phase] * E[phase].
    std::array<std::array<int, 3>, 3> coefficients{};
    std::array<bool, 3> measured{};    // the channel's voltage is present and explained
    std::array<std::string, 3> names;  // what the channel's voltage was found to be
    bool positiveSequence = true;
    int order = 0;  // three-wire: index into the terminal orders
};

std::vector<VoltageSide> fourWireVoltages(const Measured& m, const WiringOptions& options);
std::vector<VoltageSide> threeWireVoltages(const Measured& m, const WiringOptions& options);
// Three-wire terminal orders 0..2 are rotations of a-b-c and keep the phase sequence.
constexpr int kRotationOrders = 3;

struct Candidate {
    const VoltageSide* voltage = nullptr;
    std::array<int, 3> phaseOf{-1, -1, -1};  // current channel -> phase, -1 absent or unused
    std::array<int, 3> sign{1, 1, 1};
    std::array<double, 3> loadAngle{};
    int faults = 0;
    double outside = 0;
    double spread = 0;
    WiringFaults faultList;
};

// The range the true load angles lie in: its middle and half its width, degrees.
struct Range {
    double mid;
    double half;
};

Range loadRange(const WiringOptions& options);
// Currents of the three-wire elements can only be Ia or Ic: there is no CT on phase b.
std::vector<int> currentPhasesOf(bool threeWire);
std::optional<Candidate> placeCurrents(const VoltageSide& side, const Measured& m,
                                       const std::vector<int>& channels, int combination,
                                       const Range& range, bool threeWire);
void nameFaults(Candidate& c, const WiringFaults& missing, const Measured& m,
                const std::vector<int>& channels, bool threeWire);

CorrectionFactor measuredFactor(const Candidate& c, const Measured& m,
                                const std::vector<int>& channels, bool threeWire);
CorrectionFactor balancedFactor(const Candidate& c, const Measured& m, double angle,
                                bool threeWire);
double powerFactorAngle(double powerFactor, const WiringOptions& options);

}  // namespace pm::wiring
