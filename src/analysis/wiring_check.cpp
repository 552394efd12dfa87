#include "analysis/wiring_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <iterator>
#include <numbers>
#include <numeric>

#include "protocol/derived_values.h"
#include "protocol/measurement_frame.h"

namespace pm {
namespace {

using Phasor = std::complex<double>;

// Thresholds of the check, as a field inspector applies them.
constexpr double kLostVoltageShare = 0.78;   // of the largest voltage
constexpr double kSmallCurrentShare = 0.10;  // of the largest current: a warning only
constexpr double kAngleTolerance = 5.0;      // disagreement allowed between the angles
constexpr double kStarAngleTolerance = 15.0;
constexpr double kStarMagnitudeTolerance = 0.20;
constexpr double kLoadAngleMargin = 8.0;
constexpr double kThreeWireElementSpread = 30.0;
constexpr double kStalledShare = 0.05;  // |P_metered| at most this share of |P_true|: K is ∞
constexpr double kMinFrequency = 45.0;
constexpr double kMaxFrequency = 65.0;
constexpr double kSameK = 0.005;  // relative difference under which two K count as one

// Nodes of the angle graph: the three voltage and the three current channels.
enum Node { kNodeU1, kNodeU2, kNodeU3, kNodeI1, kNodeI2, kNodeI3, kNodeCount };

struct Edge {
    int from;
    int to;
    int angle;  // frame index of the angle from `from` to `to`
};
constexpr std::array<Edge, 9> kEdges = {{{kNodeU1, kNodeU2, 0},
                                         {kNodeU2, kNodeU3, 1},
                                         {kNodeU3, kNodeU1, 2},
                                         {kNodeI1, kNodeI2, 3},
                                         {kNodeI2, kNodeI3, 4},
                                         {kNodeI3, kNodeI1, 5},
                                         {kNodeU1, kNodeI1, 6},
                                         {kNodeU2, kNodeI2, 7},
                                         {kNodeU3, kNodeI3, 8}}};

double wrap360(double degrees) {
    const double r = std::fmod(degrees, 360.0);
    return r < 0 ? r + 360.0 : r;
}

// Into (-180, 180].
double wrap180(double degrees) {
    const double r = wrap360(degrees);
    return r > 180.0 ? r - 360.0 : r;
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// A phasor of this size pointing `lag` degrees clockwise from the reference.
Phasor phasor(double magnitude, double lag) {
    return std::polar(magnitude, -radians(lag));
}

double lagOf(Phasor z) {
    return wrap360(-std::arg(z) * 180.0 / std::numbers::pi);
}

double power(Phasor u, Phasor i) {
    return (u * std::conj(i)).real();
}

std::string channelName(char quantity, int channel) {
    return std::string(1, quantity) + std::to_string(channel + 1);
}

// What the reading holds once bad data, missing quantities and the angles are sorted out.
struct Measured {
    std::array<bool, kNodeCount> used{};     // channels the system measures
    std::array<bool, kNodeCount> present{};  // and that carry a quantity with a direction
    // Voltages under 78 % of the largest: lost for a star of phase voltages, though still
    // measured (a terminal on the neutral reads so too).
    std::array<bool, 3> low{};
    std::array<double, kNodeCount> magnitude{};
    std::array<double, kNodeCount> lag{};  // direction, from the first present voltage
    Phasor at(int node) const {
        return present[node] ? phasor(magnitude[node], lag[node]) : Phasor{};
    }
};

// A candidate of the voltage side: the phase voltages E (index = phase 0..2) as they follow
// from the measured channel voltages, and what each channel's voltage is made of.
struct VoltageSide {
    std::array<Phasor, 3> e{};
    std::array<bool, 3> known{};  // phase voltage derived from a measured one
    int faults = 0;
    std::vector<std::string> faultTexts;
    // Channel voltage = sum over phases of coefficients[channel][phase] * E[phase].
    std::array<std::array<int, 3>, 3> coefficients{};
    std::array<std::string, 3> names;  // what the channel's voltage was found to be
    bool positiveSequence = true;
    int order = 0;  // three-wire: index into the terminal orders
};

struct Candidate {
    const VoltageSide* voltage = nullptr;
    std::array<int, 3> phaseOf{-1, -1, -1};  // current channel -> phase, -1 absent or unused
    std::array<int, 3> sign{1, 1, 1};
    std::array<double, 3> loadAngle{};
    int faults = 0;
    double outside = 0;
    double spread = 0;
    std::vector<std::string> faultTexts;
};

const char kPhaseLetters[3] = {'a', 'b', 'c'};

std::string phaseVoltageName(int phase) {
    return std::string("U") + kPhaseLetters[phase];
}

// A four-wire channel's voltage: sign * (E[plus] - E[minus]), minus -1 for a phase voltage.
struct Made {
    int plus = -1;
    int minus = -1;
    int sign = 1;
};

std::string madeName(const Made& made) {
    std::string name = "U";
    name += kPhaseLetters[made.plus];
    if (made.minus >= 0) {
        name += kPhaseLetters[made.minus];
    }
    return made.sign < 0 ? "-" + name : name;
}

std::array<int, 3> coefficientsOf(const Made& made) {
    std::array<int, 3> c{};
    c[made.plus] = made.sign;
    if (made.minus >= 0) {
        c[made.minus] = -made.sign;
    }
    return c;
}

std::string currentName(int phase, int sign) {
    return std::string(sign < 0 ? "-" : "") + "I" + kPhaseLetters[phase];
}

// A negative or compound name in parentheses, so that "·" binds to the whole of it.
std::string inParentheses(const std::string& name) {
    return name.find_first_of("-+") != std::string::npos ? "(" + name + ")" : name;
}

// Symmetric star: every present pair 120 degrees apart (either way round, one sequence for all)
// and magnitudes within a fifth of their mean. Fills in the phase voltages not derived.
bool completeStar(VoltageSide& side) {
    std::vector<int> known;
    for (int p = 0; p < 3; ++p) {
        if (side.known[p]) {
            known.push_back(p);
        }
    }
    if (known.empty()) {
        return false;
    }
    double mean = 0;
    for (int p : known) {
        mean += std::abs(side.e[p]);
    }
    mean /= static_cast<double>(known.size());
    for (int p : known) {
        if (std::abs(std::abs(side.e[p]) - mean) > kStarMagnitudeTolerance * mean) {
            return false;
        }
    }
    // The sequence as the phases are numbered: +120 from each phase to the next is positive.
    int sequence = 0;
    for (std::size_t a = 0; a < known.size(); ++a) {
        for (std::size_t b = a + 1; b < known.size(); ++b) {
            const int steps = known[b] - known[a];  // 1 or 2 phases on
            const double apart = wrap360(lagOf(side.e[known[b]]) - lagOf(side.e[known[a]]));
            const double positive = wrap360(120.0 * steps);
            const double negative = wrap360(-120.0 * steps);
            int found = 0;
            if (std::fabs(wrap180(apart - positive)) <= kStarAngleTolerance) {
                found = 1;
            } else if (std::fabs(wrap180(apart - negative)) <= kStarAngleTolerance) {
                found = -1;
            } else {
                return false;
            }
            if (sequence != 0 && found != sequence) {
                return false;
            }
            sequence = found;
        }
    }
    if (sequence == 0) {
        sequence = 1;  // one phase alone: take the usual sequence
    }
    side.positiveSequence = sequence > 0;
    const double reference = lagOf(side.e[known.front()]);
    for (int p = 0; p < 3; ++p) {
        if (!side.known[p]) {
            side.e[p] = phasor(mean, reference + sequence * 120.0 * (p - known.front()));
        }
    }
    return true;
}

struct Range {
    double mid;
    double half;
};

Range loadRange(const WiringOptions& options) {
    const double shift = options.direction == PowerDirection::Export ? 180.0 : 0.0;
    return {options.loadFrom + shift + (options.loadTo - options.loadFrom) / 2,
            (options.loadTo - options.loadFrom) / 2};
}

// How far an angle lies outside the range, degrees.
double outsideBy(double angle, const Range& range) {
    return std::max(0.0, std::fabs(wrap180(angle - range.mid)) - range.half);
}

double spreadOf(const std::vector<double>& angles) {
    if (angles.size() < 2) {
        return 0;
    }
    const double first = angles.front();
    double lo = 0;
    double hi = 0;
    for (double a : angles) {
        const double d = wrap180(a - first);
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    return hi - lo;
}

// ---------------------------------------------------------------------------------------------
// Reading the frame: bad data, presence, the angle graph.

struct Prepared {
    Measured m;
    std::string reason;  // not empty: the reading cannot be analysed
    std::vector<std::string> missing;
    std::vector<std::string> warnings;
};

Prepared prepare(const WiringReading& reading, const WiringOptions& options) {
    Prepared out;
    Measured& m = out.m;
    const bool threeWire = options.system == WiringSystem::ThreeWire;
    for (int k = 0; k < 3; ++k) {
        const bool used = !threeWire || k != 1;
        m.used[kNodeU1 + k] = used;
        m.used[kNodeI1 + k] = used;
    }
    auto bad = [&out] {
        out.reason = "数据无效";
        return out;
    };
    for (int k = 0; k < 3; ++k) {
        if (!m.used[kNodeU1 + k]) {
            continue;
        }
        if (!reading.u[k] || !reading.i[k]) {
            return bad();
        }
        m.magnitude[kNodeU1 + k] = *reading.u[k];
        m.magnitude[kNodeI1 + k] = *reading.i[k];
    }
    std::array<std::optional<double>, 9> angle = reading.angle;
    if (reading.withoutVoltageAngles) {
        angle[0] = angle[1] = angle[2] = std::nullopt;
    }
    for (const Edge& edge : kEdges) {
        const std::optional<double>& a = angle[edge.angle];
        if (m.used[edge.from] && m.used[edge.to] && a && *a > 360.0) {
            return bad();
        }
    }
    if (!reading.frequency || *reading.frequency < kMinFrequency ||
        *reading.frequency > kMaxFrequency) {
        return bad();
    }

    // Presence.
    double largestU = 0;
    double largestI = 0;
    for (int k = 0; k < 3; ++k) {
        if (m.used[kNodeU1 + k]) {
            largestU = std::max(largestU, m.magnitude[kNodeU1 + k]);
            largestI = std::max(largestI, m.magnitude[kNodeI1 + k]);
        }
    }
    const auto voltageName = [threeWire](int k) {
        return threeWire ? (k == 0 ? std::string("U12") : std::string("U32")) : channelName('U', k);
    };
    for (int k = 0; k < 3; ++k) {
        if (!m.used[kNodeU1 + k]) {
            continue;
        }
        const double u = m.magnitude[kNodeU1 + k];
        m.present[kNodeU1 + k] = u >= kActiveVolts;
        m.low[k] = u < kLostVoltageShare * largestU;
        if (threeWire && !m.present[kNodeU1 + k]) {
            out.missing.push_back(voltageName(k) + "失压");
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (!m.used[kNodeI1 + k]) {
            continue;
        }
        const double i = m.magnitude[kNodeI1 + k];
        m.present[kNodeI1 + k] = i >= kActiveAmperes;
        if (!m.present[kNodeI1 + k]) {
            out.missing.push_back(channelName('I', k) + "无电流");
        } else if (i < kSmallCurrentShare * largestI) {
            out.warnings.push_back(channelName('I', k) + "电流小于最大电流的10%");
        }
    }

    // Directions: walk the graph of present quantities from the first present voltage, then
    // check every angle against the directions found.
    int start = -1;
    for (int node : {kNodeU1, kNodeU2, kNodeU3}) {
        if (m.present[node]) {
            start = node;
            break;
        }
    }
    if (start < 0) {
        out.reason = "电压全部失压";
        return out;
    }
    std::array<bool, kNodeCount> reached{};
    reached[start] = true;
    m.lag[start] = 0;
    for (bool grew = true; grew;) {
        grew = false;
        for (const Edge& edge : kEdges) {
            const std::optional<double>& a = angle[edge.angle];
            if (!a || !m.present[edge.from] || !m.present[edge.to]) {
                continue;
            }
            if (reached[edge.from] && !reached[edge.to]) {
                m.lag[edge.to] = wrap360(m.lag[edge.from] + *a);
                reached[edge.to] = grew = true;
            } else if (reached[edge.to] && !reached[edge.from]) {
                m.lag[edge.from] = wrap360(m.lag[edge.to] - *a);
                reached[edge.from] = grew = true;
            }
        }
    }
    for (int node = 0; node < kNodeCount; ++node) {
        if (m.present[node] && !reached[node]) {
            // Present, but no angle ties it to the rest: nothing can be said about its direction.
            out.reason = "角度不足";
            return out;
        }
    }
    for (const Edge& edge : kEdges) {
        const std::optional<double>& a = angle[edge.angle];
        if (a && m.present[edge.from] && m.present[edge.to] &&
            std::fabs(wrap180(m.lag[edge.to] - m.lag[edge.from] - *a)) > kAngleTolerance) {
            out.reason = "角度不自洽";
            return out;
        }
    }
    for (int j = kNodeU1; j <= kNodeU3; ++j) {
        for (int k = j + 1; k <= kNodeU3; ++k) {
            if (m.present[j] && m.present[k] &&
                std::fabs(wrap180(m.lag[k] - m.lag[j])) < kAngleTolerance) {
                out.reason = voltageName(j) + "与" + voltageName(k) + "同相";
                return out;
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Four-wire.

std::vector<VoltageSide> fourWireVoltages(const Measured& m, const WiringOptions& options) {
    std::vector<VoltageSide> sides;
    auto add = [&](VoltageSide side) {
        if (completeStar(side)) {
            sides.push_back(std::move(side));
        }
    };
    VoltageSide normal;
    for (int k = 0; k < 3; ++k) {
        normal.coefficients[k] = coefficientsOf({k, -1, 1});
        normal.known[k] = m.present[kNodeU1 + k] && !m.low[k];
        normal.e[k] = m.at(kNodeU1 + k);
        normal.names[k] = normal.known[k] ? phaseVoltageName(k) : "";
        if (!normal.known[k]) {
            normal.faultTexts.push_back(channelName('U', k) + "失压");
        }
    }
    add(normal);

    if (!m.present[kNodeU1] || !m.present[kNodeU2] || !m.present[kNodeU3]) {
        return sides;
    }
    auto raw = [&m](int k) { return phasor(m.magnitude[kNodeU1 + k], m.lag[kNodeU1 + k]); };
    // Terminal m on the neutral and the neutral lead on phase m: the other channels read the
    // line voltage to phase m, channel m the reversed phase voltage.
    for (int swapped = 0; swapped < 3; ++swapped) {
        VoltageSide side;
        side.e[swapped] = -raw(swapped);
        for (int k = 0; k < 3; ++k) {
            side.known[k] = true;
            const Made made = k != swapped ? Made{k, swapped, 1} : Made{k, -1, -1};
            if (k != swapped) {
                side.e[k] = raw(k) + side.e[swapped];
            }
            side.coefficients[k] = coefficientsOf(made);
            side.names[k] = madeName(made);
        }
        side.faults = 1;
        side.faultTexts.push_back(channelName('U', swapped) + "端子与零线互换");
        add(side);
    }
    if (options.viaVoltageTransformers) {
        for (int reversed = 0; reversed < 3; ++reversed) {
            if (!normal.known[reversed]) {
                continue;
            }
            VoltageSide side = normal;
            side.e[reversed] = -raw(reversed);
            side.coefficients[reversed] = coefficientsOf({reversed, -1, -1});
            side.names[reversed] = madeName({reversed, -1, -1});
            side.faults = 1;
            side.faultTexts.push_back(channelName('U', reversed) + "极性反(PT)");
            add(side);
        }
    }
    return sides;
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

// ---------------------------------------------------------------------------------------------
// Three-wire.

// Phases on terminals 1, 2, 3.
constexpr std::array<std::array<int, 3>, 6> kTerminalOrders = {
    {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}, {1, 0, 2}}};

int orderFaults(const std::array<int, 3>& order) {
    int moved = 0;
    for (int t = 0; t < 3; ++t) {
        moved += order[t] != t;
    }
    return moved == 3 ? 2 : moved == 2 ? 1 : 0;
}

// The two transformers of V/V metering: their secondaries share the common wire b', and wire a'
// carries +-Uab against it, wire c' +-Ucb (the sign -1 when that transformer's secondary is
// reversed). A channel's voltage is the difference of the potentials of its two wires, so a
// reversed transformer whose wire sits on the common terminal 2 changes both channels, and puts
// both transformers in series on the other channel: root 3 times a line voltage.
struct Potential {
    int ab = 0;  // multiples of Uab
    int cb = 0;  // multiples of Ucb
};

Potential potentialOf(int phase, int signAb, int signCb) {
    return phase == 0 ? Potential{signAb, 0} : phase == 2 ? Potential{0, signCb} : Potential{};
}

// A transformer term of a channel's name: "Uab", "-Ucb".
std::string transformerTerm(int phase, int sign) {
    return std::string(sign < 0 ? "-" : "") + "U" + kPhaseLetters[phase] + "b";
}

// The name of the voltage between the wires of phases `plus` and `minus`: the line voltage
// "Uca" while neither wire is a reversed transformer's, else what the transformers add up to,
// term by term ("-Uab", "Ucb+Uab"), so that the name shows which transformer is turned round.
std::string threeWireName(int plus, int minus, int signAb, int signCb) {
    const int signOf[3] = {signAb, 1, signCb};
    if (signOf[plus] > 0 && signOf[minus] > 0) {
        return std::string("U") + kPhaseLetters[plus] + kPhaseLetters[minus];
    }
    std::string name;
    if (plus != 1) {
        name = transformerTerm(plus, signOf[plus]);
    }
    if (minus != 1) {
        const std::string term = transformerTerm(minus, -signOf[minus]);
        name += name.empty() || term.starts_with('-') ? term : "+" + term;
    }
    return name;
}

// What a unit positive-sequence star with Ua at 0 puts on a channel of these coefficients.
Phasor onUnitStar(const std::array<int, 3>& coefficients) {
    Phasor v{};
    for (int p = 0; p < 3; ++p) {
        v += static_cast<double>(coefficients[p]) * phasor(1.0, 120.0 * p);
    }
    return v;
}

// Measured ratio U12/U32 over the ratio a candidate predicts, allowed to differ by this share:
// wide enough for a supply unbalanced by a few percent, and far from the root 3 that separates
// one line voltage from two transformers in series.
constexpr double kThreeWireRatioTolerance = 0.15;

std::vector<VoltageSide> threeWireVoltages(const Measured& m, const WiringOptions& options) {
    std::vector<VoltageSide> sides;
    const bool v1 = m.present[kNodeU1];
    const bool v3 = m.present[kNodeU3];
    if (!v1 && !v3) {
        return sides;
    }
    for (std::size_t o = 0; o < kTerminalOrders.size(); ++o) {
        const std::array<int, 3>& order = kTerminalOrders[o];
        if (options.bTerminal >= 1 && options.bTerminal <= 3 && order[options.bTerminal - 1] != 1) {
            continue;
        }
        for (int signs = 0; signs < 4; ++signs) {
            const int signAb = signs & 1 ? -1 : 1;
            const int signCb = signs & 2 ? -1 : 1;
            VoltageSide side;
            side.order = static_cast<int>(o);
            bool abSeen = false;
            bool cbSeen = false;
            for (int k : {0, 2}) {
                const Potential plus = potentialOf(order[k], signAb, signCb);
                const Potential minus = potentialOf(order[1], signAb, signCb);
                const int ab = plus.ab - minus.ab;
                const int cb = plus.cb - minus.cb;
                side.coefficients[k] = {ab, -ab - cb, cb};
                if (m.present[kNodeU1 + k]) {
                    abSeen = abSeen || ab != 0;
                    cbSeen = cbSeen || cb != 0;
                    side.names[k] = threeWireName(order[k], order[1], signAb, signCb);
                }
            }
            // The polarity of a transformer that no measured channel sees tells nothing.
            if ((signAb < 0 && !abSeen) || (signCb < 0 && !cbSeen)) {
                continue;
            }
            if (v1 && v3) {
                const double predicted = std::abs(onUnitStar(side.coefficients[0])) /
                                         std::abs(onUnitStar(side.coefficients[2]));
                const double measured = m.magnitude[kNodeU1] / m.magnitude[kNodeU3];
                if (std::fabs(measured / predicted - 1.0) > kThreeWireRatioTolerance) {
                    continue;
                }
                // Channel k = A_k Uab + B_k Ucb: solve for the two line voltages.
                const auto& c1 = side.coefficients[0];
                const auto& c3 = side.coefficients[2];
                const double det = c1[0] * c3[2] - c1[2] * c3[0];
                const Phasor x = m.at(kNodeU1);
                const Phasor y = m.at(kNodeU3);
                const Phasor uab =
                    (static_cast<double>(c3[2]) * x - static_cast<double>(c1[2]) * y) / det;
                const Phasor ucb =
                    (static_cast<double>(c1[0]) * y - static_cast<double>(c3[0]) * x) / det;
                const Phasor eb = -(uab + ucb) / 3.0;
                side.e = {uab + eb, eb, ucb + eb};
                side.known = {true, true, true};
                if (!completeStar(side) || !side.positiveSequence) {
                    continue;
                }
            } else {
                const int k = v1 ? 0 : 2;
                const Phasor ea = m.at(kNodeU1 + k) / onUnitStar(side.coefficients[k]);
                for (int p = 0; p < 3; ++p) {
                    side.e[p] = ea * phasor(1.0, 120.0 * p);
                }
                side.known = {true, true, true};
                side.positiveSequence = true;
            }
            side.faults = orderFaults(order) + (signAb < 0) + (signCb < 0);
            if (orderFaults(order) > 0) {
                std::string text = "电压端子";
                for (int t = 0; t < 3; ++t) {
                    text += (t ? "-" : "");
                    text += kPhaseLetters[order[t]];
                }
                side.faultTexts.push_back(text);
            }
            if (signAb < 0) {
                side.faultTexts.push_back("Uab极性反(PT)");
            }
            if (signCb < 0) {
                side.faultTexts.push_back("Ucb极性反(PT)");
            }
            sides.push_back(std::move(side));
        }
    }
    return sides;
}

// ---------------------------------------------------------------------------------------------
// Candidates, their power and their ranking.

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
        if (side.names[k].empty() || !m.present[kNodeI1 + k] || c.phaseOf[k] < 0) {
            continue;
        }
        metered +=
            power(channelVoltage(side, e, k), j[c.phaseOf[k]] * static_cast<double>(c.sign[k]));
    }
    const std::array<bool, 3> all{true, true, true};
    return factorOf(truePower(c, e, j, all, threeWire), metered);
}

struct Scored {
    Candidate candidate;
    CorrectionFactor k;
    std::array<Phasor, 3> predictedCurrent{};  // at a fixed load angle, to find equivalents
};

bool sameReading(const Scored& a, const Scored& b, const Measured& m) {
    for (int k = 0; k < 3; ++k) {
        if (!m.present[kNodeI1 + k] || a.candidate.phaseOf[k] < 0) {
            continue;
        }
        if (std::fabs(wrap180(lagOf(a.predictedCurrent[k]) - lagOf(b.predictedCurrent[k]))) > 1.0) {
            return false;
        }
    }
    return true;
}

bool sameFactor(const CorrectionFactor& a, const CorrectionFactor& b) {
    if (a.infinite() || b.infinite()) {
        return a.infinite() && b.infinite();
    }
    return std::fabs(*a.value - *b.value) <= kSameK * std::max(1.0, std::fabs(*a.value));
}

}  // namespace

WiringReading wiringReading(std::span<const std::uint8_t> frame) {
    WiringReading r;
    for (int k = 0; k < 3; ++k) {
        r.u[static_cast<std::size_t>(k)] = voltageValue(frame, k);
        r.i[static_cast<std::size_t>(k)] = currentValue(frame, k);
    }
    for (int k = 0; k < kAngleCount; ++k) {
        r.angle[static_cast<std::size_t>(k)] = angleValue(frame, k);
    }
    r.frequency = frequencyValue(frame);
    r.withoutVoltageAngles = modeByte(frame) == kModeWithoutVoltageAngles;
    return r;
}

namespace {

// Currents of the three-wire elements can only be Ia or Ic: there is no CT on phase b.
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
        c.loadAngle[k] = wrap180(currentLag - lagOf(side.e[c.phaseOf[k]]));
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
void nameFaults(Candidate& c, const std::vector<std::string>& missing, const Measured& m,
                const std::vector<int>& channels, bool threeWire) {
    const VoltageSide& side = *c.voltage;
    c.faultTexts = side.faultTexts;
    c.faultTexts.insert(c.faultTexts.end(), missing.begin(), missing.end());
    c.faults = side.faults;
    if (threeWire) {
        if ((m.present[kNodeI1] && c.phaseOf[0] == 2) ||
            (m.present[kNodeI3] && c.phaseOf[2] == 0)) {
            c.faultTexts.push_back("元件1与元件2电流互换");
            ++c.faults;
        }
        for (int k : channels) {
            if (c.sign[k] < 0) {
                c.faultTexts.push_back("元件" + std::to_string(k == 0 ? 1 : 2) + "电流反接");
                ++c.faults;
            }
        }
        return;
    }
    c.faults += mappingFaults(c.phaseOf);
    for (int k : channels) {
        if (c.phaseOf[k] != k) {
            c.faultTexts.push_back(channelName('I', k) + "与" + channelName('U', c.phaseOf[k]) +
                                   "同相");
        }
        if (c.sign[k] < 0) {
            c.faultTexts.push_back(channelName('I', k) + "反接");
            ++c.faults;
        }
    }
}

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

bool ranksBefore(const Scored& a, const Scored& b) {
    if (a.candidate.faults != b.candidate.faults) {
        return a.candidate.faults < b.candidate.faults;
    }
    if (std::fabs(a.candidate.outside - b.candidate.outside) > 1e-9) {
        return a.candidate.outside < b.candidate.outside;
    }
    return a.candidate.spread < b.candidate.spread;
}

// One answer from a group of explanations that read alike: the best of them, the rest named.
WiringAnswer answerOf(const std::vector<const Scored*>& group, const Measured& m, bool threeWire) {
    const Scored& best = *group.front();
    const Candidate& c = best.candidate;
    WiringAnswer answer;
    answer.faults = c.faultTexts;
    answer.faultCount = c.faults;
    answer.k = best.k;
    std::vector<double> angles;
    for (int k = 0; k < 3; ++k) {
        if (m.present[kNodeI1 + k]) {
            angles.push_back(c.loadAngle[k]);
        }
    }
    answer.loadAngle = angles.empty() ? 0
                                      : std::accumulate(angles.begin(), angles.end(), 0.0) /
                                            static_cast<double>(angles.size());
    for (int k = 0; k < 3; ++k) {
        if (threeWire && k == 1) {
            continue;
        }
        const std::string& voltage = c.voltage->names[k];
        const bool current = m.present[kNodeI1 + k];
        answer.elementVoltages.push_back(voltage.empty() ? "0" : inParentheses(voltage));
        answer.elementCurrents.push_back(
            current ? inParentheses(currentName(c.phaseOf[k], c.sign[k])) : "0");
        answer.voltageNames[k] = voltage;
        answer.currentNames[k] = current ? currentName(c.phaseOf[k], c.sign[k]) : "";
    }
    for (std::size_t e = 1; e < group.size(); ++e) {
        WiringAnswer other;
        other.faults = group[e]->candidate.faultTexts;
        const std::string text = conclusionOf(other);
        if (std::find(answer.equivalents.begin(), answer.equivalents.end(), text) ==
            answer.equivalents.end()) {
            answer.equivalents.push_back(text);
        }
    }
    return answer;
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

}  // namespace

WiringResult checkWiring(const WiringReading& reading, const WiringOptions& options) {
    WiringResult result;
    Prepared prepared = prepare(reading, options);
    result.missing = prepared.missing;
    result.warnings = prepared.warnings;
    if (!prepared.reason.empty()) {
        result.reason = prepared.reason;
        return result;
    }
    Measured& m = prepared.m;
    const bool threeWire = options.system == WiringSystem::ThreeWire;
    std::vector<VoltageSide> sides =
        threeWire ? threeWireVoltages(m, options) : fourWireVoltages(m, options);
    if (threeWire && sides.empty() && m.present[kNodeU1] && m.present[kNodeU3]) {
        // No wiring explains the two line voltages as they stand: a channel well below the
        // other is lost, as a blown transformer fuse leaves it, and the other alone is read.
        const int low = m.low[0] ? 0 : m.low[2] ? 2 : -1;
        if (low >= 0) {
            m.present[kNodeU1 + low] = false;
            prepared.missing.insert(prepared.missing.begin(),
                                    std::string(low == 0 ? "U12" : "U32") + "失压");
            result.missing = prepared.missing;
            sides = threeWireVoltages(m, options);
        }
    }
    const Range range = loadRange(options);
    std::vector<int> channels;
    for (int k = 0; k < 3; ++k) {
        if (m.present[kNodeI1 + k]) {
            channels.push_back(k);
        }
    }

    std::vector<Scored> accepted;
    const int choices = static_cast<int>(currentPhasesOf(threeWire).size()) * 2;
    const int combinations =
        static_cast<int>(std::pow(choices, static_cast<double>(channels.size())) + 0.5);
    for (const VoltageSide& side : sides) {
        for (int combination = 0; combination < combinations; ++combination) {
            std::optional<Candidate> c =
                placeCurrents(side, m, channels, combination, range, threeWire);
            if (!c) {
                continue;
            }
            nameFaults(*c, prepared.missing, m, channels, threeWire);
            Scored scored{*c, measuredFactor(*c, m, channels, threeWire), {}};
            for (int k : channels) {
                scored.predictedCurrent[k] =
                    phasor(1.0, lagOf(side.e[c->phaseOf[k]])) * static_cast<double>(c->sign[k]);
            }
            accepted.push_back(std::move(scored));
        }
    }
    if (accepted.empty()) {
        result.reason = "无符合的接线方式";
        if (!threeWire) {
            // Without an explanation, every low voltage counts as lost.
            std::vector<std::string> lost;
            for (int k = 0; k < 3; ++k) {
                if (!m.present[kNodeU1 + k] || m.low[k]) {
                    lost.push_back(channelName('U', k) + "失压");
                }
            }
            result.missing.insert(result.missing.begin(), lost.begin(), lost.end());
        }
        return result;
    }
    std::stable_sort(accepted.begin(), accepted.end(), ranksBefore);

    // Explanations that read the same at every load angle are one answer.
    std::vector<std::vector<const Scored*>> groups;
    for (const Scored& s : accepted) {
        auto same = std::find_if(groups.begin(), groups.end(), [&](const auto& group) {
            return sameReading(*group.front(), s, m);
        });
        if (same != groups.end()) {
            same->push_back(&s);
        } else {
            groups.push_back({&s});
        }
    }
    for (const auto& group : groups) {
        result.answers.push_back(answerOf(group, m, threeWire));
    }

    const WiringAnswer& first = result.answers.front();
    result.missing.clear();
    std::copy_if(first.faults.begin(), first.faults.end(), std::back_inserter(result.missing),
                 [](const std::string& f) { return f.ends_with("失压") || f.ends_with("无电流"); });
    const bool sameK = std::all_of(result.answers.begin(), result.answers.end(),
                                   [&](const WiringAnswer& a) { return sameFactor(a.k, first.k); });
    result.confidence = groups.size() == 1 ? Confidence::Unique
                        : sameK            ? Confidence::ManySameK
                                           : Confidence::ManyDifferentK;

    // Sequence: as every answer has it, or not known. Three-wire: the terminal orders that are
    // rotations of a-b-c keep the sequence.
    auto positiveOf = [threeWire](const Scored* s) {
        return threeWire ? s->candidate.voltage->order < 3 : s->candidate.voltage->positiveSequence;
    };
    const bool positive = positiveOf(groups.front().front());
    const bool oneSequence = std::all_of(groups.begin(), groups.end(), [&](const auto& group) {
        return positiveOf(group.front()) == positive;
    });
    const int voltages = m.present[kNodeU1] + m.present[kNodeU2] + m.present[kNodeU3];
    if (voltages >= 2 || threeWire) {
        result.sequence = !oneSequence ? PhaseSequence::Unknown
                          : positive   ? PhaseSequence::Positive
                                       : PhaseSequence::Negative;
    }

    const Candidate& best = groups.front().front()->candidate;
    if (!result.missing.empty()) {
        result.balancedK = balancedFactor(best, m, first.loadAngle, threeWire);
    }
    if (options.averagePowerFactor) {
        result.powerFactorK = balancedFactor(
            best, m, powerFactorAngle(*options.averagePowerFactor, options), threeWire);
    }
    if (options.meteredEnergy && !first.k.infinite()) {
        result.energyCorrection = *options.meteredEnergy * (*first.k.value - 1.0);
    } else if (options.meteredEnergy) {
        result.warnings.push_back("更正系数为∞，无法计算退补电量");
    }
    return result;
}

std::string conclusionOf(const WiringAnswer& answer) {
    if (answer.faults.empty()) {
        return kWiredCorrectly;
    }
    std::string text;
    for (const std::string& fault : answer.faults) {
        if (!text.empty()) {
            text += kFaultSeparator;
        }
        text += fault;
    }
    return text;
}

std::string correctionFactorText(const CorrectionFactor& k) {
    if (k.infinite()) {
        return "∞";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", *k.value);
    return std::string(text) == "-0.000" ? "0.000" : text;
}

std::string correctionFactorMeaning(const CorrectionFactor& k) {
    if (k.infinite()) {
        return "表计基本不走";
    }
    const double value = *k.value;
    if (std::fabs(value - 1.0) < 0.0005) {
        return "正确";
    }
    if (value > 1.0) {
        return "少计";
    }
    return value >= 0.0 ? "多计" : "反转";
}

std::string sequenceText(PhaseSequence sequence) {
    switch (sequence) {
        case PhaseSequence::Positive:
            return "正相序";
        case PhaseSequence::Negative:
            return "逆相序";
        case PhaseSequence::Unknown:
            break;
    }
    return "不定";
}

std::string confidenceText(Confidence confidence) {
    switch (confidence) {
        case Confidence::Unique:
            return "唯一";
        case Confidence::ManySameK:
            return "多解(K相同)";
        case Confidence::ManyDifferentK:
            return "多解(K不同)";
        case Confidence::Unrecognised:
            break;
    }
    return "无法识别";
}

}  // namespace pm
