// The hypotheses of the voltage side: how the measured channel voltages can be made of the
// supply's phase voltages. Four-wire: the star as measured, one terminal swapped with the neutral,
// or (through PTs) one PT reversed. Three-wire: two PTs in V/V, each upright or reversed, their
// secondary wires on the terminals in any order; a hypothesis stands only where the star it
// implies is symmetric and of positive sequence and, with both channels present, the ratio of
// the two line voltages is the one it predicts.
#include <cmath>
#include <cstdlib>

#include "analysis/wiring_parts.h"
#include "analysis/wiring_texts.h"

namespace pm::wiring {
namespace {

constexpr double kStarAngleTolerance = 15.0;
constexpr double kStarMagnitudeTolerance = 0.20;

std::array<int, 3> coefficientsOf(const VoltageTerm& t) {
    std::array<int, 3> c{};
    c[t.plus] = t.sign;
    if (t.minus >= 0) {
        c[t.minus] = -t.sign;
    }
    return c;
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
            const double apart = wrapTo360(lagOf(side.e[known[b]]) - lagOf(side.e[known[a]]));
            const double positive = wrapTo360(120.0 * steps);
            const double negative = wrapTo360(-120.0 * steps);
            int found = 0;
            if (std::fabs(wrapTo180(apart - positive)) <= kStarAngleTolerance) {
                found = 1;
            } else if (std::fabs(wrapTo180(apart - negative)) <= kStarAngleTolerance) {
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

// The voltage between the wires of phases `plus` and `minus`: the line voltage ("Uca") while
// neither wire is a reversed transformer's, else what the transformers add up to, term by term
// ("-Uab", "Ucb+Uab"), so that the name shows which transformer is turned round.
std::vector<VoltageTerm> threeWireTerms(int plus, int minus, int signAb, int signCb) {
    const int signOf[3] = {signAb, 1, signCb};
    if (signOf[plus] > 0 && signOf[minus] > 0) {
        return {{plus, minus, 1}};
    }
    std::vector<VoltageTerm> terms;
    if (plus != 1) {
        terms.push_back({plus, 1, signOf[plus]});
    }
    if (minus != 1) {
        terms.push_back({minus, 1, -signOf[minus]});
    }
    return terms;
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

}  // namespace

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
        normal.measured[k] = normal.known[k];
        normal.e[k] = m.at(kNodeU1 + k);
        normal.names[k] = normal.known[k] ? voltageName({{k, -1, 1}}) : "";
        if (!normal.known[k]) {
            normal.faultList.push_back({FaultKind::VoltageLost, k});
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
            const VoltageTerm made =
                k != swapped ? VoltageTerm{k, swapped, 1} : VoltageTerm{k, -1, -1};
            if (k != swapped) {
                side.e[k] = raw(k) + side.e[swapped];
            }
            side.coefficients[k] = coefficientsOf(made);
            side.measured[k] = true;
            side.names[k] = voltageName({made});
        }
        side.faults = 1;
        side.faultList.push_back({FaultKind::NeutralOnTerminal, swapped});
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
            side.names[reversed] = voltageName({{reversed, -1, -1}});
            side.faults = 1;
            side.faultList.push_back({FaultKind::ChannelPtReversed, reversed});
            add(side);
        }
    }
    return sides;
}

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
                    side.measured[k] = true;
                    side.names[k] = voltageName(threeWireTerms(order[k], order[1], signAb, signCb));
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
                side.faultList.push_back({FaultKind::TerminalOrder, -1, -1, order});
            }
            if (signAb < 0) {
                side.faultList.push_back({FaultKind::TransformerReversed, -1, 0});
            }
            if (signCb < 0) {
                side.faultList.push_back({FaultKind::TransformerReversed, -1, 2});
            }
            sides.push_back(std::move(side));
        }
    }
    return sides;
}

}  // namespace pm::wiring
