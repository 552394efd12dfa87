// The correction factor K = P_true / P_metered of a candidate: the power the installation draws
// as the candidate explains it, over the power the meter's elements see; of the reading itself,
// of the same wiring at a balanced load, and at an entered average power factor.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/wiring_parts.h"

namespace pm::wiring {
namespace {

constexpr double kStalledShare = 0.05;  // |P_metered| at most this share of |P_true|: K is ∞

Phasor channelVoltage(const VoltageSide& side, const std::array<Phasor, 3>& e, int k) {
    Phasor v{};
    for (int p = 0; p < 3; ++p) {
        v += static_cast<double>(side.coefficients[k][p]) * e[p];
    }
    return v;
}

// The installation's true power under a candidate, from the phase voltages and currents.
double truePower(const Candidate& c, const std::array<Phasor, 3>& e, const std::array<Phasor, 3>& j,
                 const std::array<bool, 3>& jKnown, bool threeWire) {
    if (threeWire) {
        double p = 0;
        if (jKnown[0]) {
            p += power(e[0] - e[1], j[0]);
        }
        if (jKnown[2]) {
            p += power(e[2] - e[1], j[2]);
        }
        return p;
    }
    (void)c;
    double p = 0;
    for (int phase = 0; phase < 3; ++phase) {
        if (jKnown[phase]) {
            p += power(e[phase], j[phase]);
        }
    }
    return p;
}

CorrectionFactor factorOf(double trueP, double meteredP) {
    if (std::fabs(meteredP) <= kStalledShare * std::fabs(trueP) || meteredP == 0.0) {
        return {};
    }
    return {trueP / meteredP};
}

}  // namespace

// K of the reading itself: the power the installation draws as the candidate explains it, over
// the power the meter's elements see.
CorrectionFactor measuredFactor(const Candidate& c, const Measured& m,
                                const std::vector<int>& channels, bool threeWire) {
    const VoltageSide& side = *c.voltage;
    std::array<Phasor, 3> j{};
    std::array<bool, 3> jKnown{};
    double meanI = 0;
    double meanAngle = 0;
    for (int k : channels) {
        const int p = c.phaseOf[k];
        if (!jKnown[p]) {
            j[p] = m.at(kNodeI1 + k) * static_cast<double>(c.sign[k]);
            jKnown[p] = true;
        }
        meanI += m.magnitude[kNodeI1 + k] / static_cast<double>(channels.size());
        meanAngle += c.loadAngle[k] / static_cast<double>(channels.size());
    }
    // Every current present but some phase measured twice: the phase nobody measures is taken
    // at the mean of the others.
    if (static_cast<int>(channels.size()) == (threeWire ? 2 : 3)) {
        for (int p : currentPhasesOf(threeWire)) {
            if (!jKnown[p]) {
                j[p] = phasor(meanI, lagOf(side.e[p]) + meanAngle);
                jKnown[p] = true;
            }
        }
    }
    double metered = 0;
    for (int k : channels) {
        metered += power(m.at(kNodeU1 + k), m.at(kNodeI1 + k));
    }
    return factorOf(truePower(c, side.e, j, jKnown, threeWire), metered);
}

// The same wiring at a balanced load: every phase at one magnitude (which cancels out of K) and
// every load angle `angle`; channels lost or absent in the reading stay so.
CorrectionFactor balancedFactor(const Candidate& c, const Measured& m, double angle,
                                bool threeWire) {
    const VoltageSide& side = *c.voltage;
    std::array<Phasor, 3> e{};
    std::array<Phasor, 3> j{};
    for (int p = 0; p < 3; ++p) {
        e[p] = phasor(1.0, lagOf(side.e[p]));
        j[p] = phasor(1.0, lagOf(side.e[p]) + angle);
    }
    double metered = 0;
    for (int k = 0; k < 3; ++k) {
        if (!side.measured[k] || !m.present[kNodeI1 + k] || c.phaseOf[k] < 0) {
            continue;
        }
        metered +=
            power(channelVoltage(side, e, k), j[c.phaseOf[k]] * static_cast<double>(c.sign[k]));
    }
    const std::array<bool, 3> all{true, true, true};
    return factorOf(truePower(c, e, j, all, threeWire), metered);
}

// The load angle of an average power factor, in the range and direction chosen.
double powerFactorAngle(double powerFactor, const WiringOptions& options) {
    double angle =
        std::acos(std::clamp(std::fabs(powerFactor), 0.0, 1.0)) * 180.0 / std::numbers::pi;
    if (options.loadFrom + options.loadTo < 0) {
        angle = -angle;  // a capacitive range
    }
    return options.direction == PowerDirection::Export ? angle + 180.0 : angle;
}

}  // namespace pm::wiring
