// Placing the currents: each present current channel on a phase with a polarity, kept where every
// element's true load angle falls in the range the user set (with a margin) and, in three-wire,
// where the two elements' angles lie within the spread one load gives; then the faults of the
// placement and how many they count.
#include <algorithm>
#include <cmath>

#include "analysis/wiring_parts.h"

namespace pm::wiring {
namespace {

constexpr double kLoadAngleMargin = 8.0;
constexpr double kThreeWireElementSpread = 30.0;

// How far an angle lies outside the range, degrees.
double outsideBy(double angle, const Range& range) {
    return std::max(0.0, std::fabs(wrapTo180(angle - range.mid)) - range.half);
}

double spreadOf(const std::vector<double>& angles) {
    if (angles.size() < 2) {
        return 0;
    }
    const double first = angles.front();
    double lo = 0;
    double hi = 0;
    for (double a : angles) {
        const double d = wrapTo180(a - first);
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    return hi - lo;
}

// Faults of a current mapping: a swap of two counts one, a rotation of three two.
int mappingFaults(const std::array<int, 3>& phaseOf) {
    const bool permutation = phaseOf[0] >= 0 && phaseOf[1] >= 0 && phaseOf[2] >= 0 &&
                             phaseOf[0] != phaseOf[1] && phaseOf[1] != phaseOf[2] &&
                             phaseOf[0] != phaseOf[2];
    int moved = 0;
    for (int k = 0; k < 3; ++k) {
        moved += phaseOf[k] >= 0 && phaseOf[k] != k;
    }
    if (!permutation) {
        return moved;
    }
    return moved == 3 ? 2 : moved == 2 ? 1 : 0;
}

}  // namespace

Range loadRange(const WiringOptions& options) {
    const double shift = options.direction == PowerDirection::Export ? 180.0 : 0.0;
    return {options.loadFrom + shift + (options.loadTo - options.loadFrom) / 2,
            (options.loadTo - options.loadFrom) / 2};
}

std::vector<int> currentPhasesOf(bool threeWire) {
    return threeWire ? std::vector<int>{0, 2} : std::vector<int>{0, 1, 2};
}

// Puts the current of each present channel on a phase with a polarity, as `combination`
// numbers them, and keeps the candidate when every element's load angle fits the range.
std::optional<Candidate> placeCurrents(const VoltageSide& side, const Measured& m,
                                       const std::vector<int>& channels, int combination,
                                       const Range& range, bool threeWire) {
    const std::vector<int> phases = currentPhasesOf(threeWire);
    const int choices = static_cast<int>(phases.size()) * 2;
    Candidate c;
    c.voltage = &side;
    std::vector<double> angles;
    for (int k : channels) {
        const int choice = combination % choices;
        combination /= choices;
        c.phaseOf[k] = phases[static_cast<std::size_t>(choice / 2)];
        c.sign[k] = choice % 2 ? -1 : 1;
        const double currentLag = m.lag[kNodeI1 + k] + (c.sign[k] < 0 ? 180.0 : 0.0);
        c.loadAngle[k] = wrapTo180(currentLag - lagOf(side.e[c.phaseOf[k]]));
        const double outside = outsideBy(c.loadAngle[k], range);
        if (outside > kLoadAngleMargin) {
            return std::nullopt;
        }
        c.outside += outside;
        angles.push_back(c.loadAngle[k]);
    }
    c.spread = spreadOf(angles);
    if (threeWire) {
        // Both currents on one phase is no three-wire installation, and its two elements
        // share one load.
        if (channels.size() == 2 && c.phaseOf[0] == c.phaseOf[2]) {
            return std::nullopt;
        }
        if (c.spread > kThreeWireElementSpread) {
            return std::nullopt;
        }
    }
    return c;
}

// The faults of a candidate in the order they are read out: the voltage side's, the missing
// quantities, then the currents channel by channel.
void nameFaults(Candidate& c, const WiringFaults& missing, const Measured& m,
                const std::vector<int>& channels, bool threeWire) {
    const VoltageSide& side = *c.voltage;
    c.faultList = side.faultList;
    c.faultList.insert(c.faultList.end(), missing.begin(), missing.end());
    c.faults = side.faults;
    if (threeWire) {
        if ((m.present[kNodeI1] && c.phaseOf[0] == 2) ||
            (m.present[kNodeI3] && c.phaseOf[2] == 0)) {
            c.faultList.push_back({FaultKind::ElementCurrentsSwapped});
            ++c.faults;
        }
        for (int k : channels) {
            if (c.sign[k] < 0) {
                c.faultList.push_back({FaultKind::ElementCurrentReversed, k});
                ++c.faults;
            }
        }
        return;
    }
    c.faults += mappingFaults(c.phaseOf);
    for (int k : channels) {
        if (c.phaseOf[k] != k) {
            c.faultList.push_back({FaultKind::CurrentOnPhase, k, c.phaseOf[k]});
        }
        if (c.sign[k] < 0) {
            c.faultList.push_back({FaultKind::CurrentReversed, k});
            ++c.faults;
        }
    }
}

}  // namespace pm::wiring
