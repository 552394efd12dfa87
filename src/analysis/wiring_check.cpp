// The wiring check: every voltage hypothesis with every placement of the currents, each kept
// candidate scored by its faults, how far its load angles fall outside the range and how far they
// spread; candidates that read the same at every load angle grouped into one answer; then how
// sure the conclusion is, the phase sequence and the correction factors.
#include "analysis/wiring_check.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

#include "analysis/transformer_ratio.h"
#include "analysis/wiring_parts.h"
#include "analysis/wiring_texts.h"

namespace pm {
namespace {

using namespace wiring;

constexpr double kSameK = 0.005;  // relative difference under which two K count as one

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
        if (std::fabs(wrapTo180(lagOf(a.predictedCurrent[k]) - lagOf(b.predictedCurrent[k]))) >
            1.0) {
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
    answer.faults = c.faultList;
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
        answer.elementVoltages.push_back(voltage.empty() ? "0" : elementName(voltage));
        answer.elementCurrents.push_back(current ? elementName(currentName(c.phaseOf[k], c.sign[k]))
                                                 : "0");
        answer.voltageNames[k] = voltage;
        answer.currentNames[k] = current ? currentName(c.phaseOf[k], c.sign[k]) : "";
    }
    for (std::size_t e = 1; e < group.size(); ++e) {
        const WiringFaults& other = group[e]->candidate.faultList;
        if (std::find(answer.equivalents.begin(), answer.equivalents.end(), other) ==
            answer.equivalents.end()) {
            answer.equivalents.push_back(other);
        }
    }
    return answer;
}

}  // namespace

WiringResult checkWiring(const WiringReading& reading, const WiringOptions& options) {
    WiringResult result;
    Prepared prepared = prepare(reading, options);
    result.missing = prepared.missing;
    result.warnings = prepared.warnings;
    if (prepared.reason.kind != ReasonKind::None) {
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
            prepared.missing.insert(prepared.missing.begin(), {FaultKind::LineVoltageLost, low});
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
        result.reason.kind = ReasonKind::NoWiringFits;
        if (!threeWire) {
            // Without an explanation, every low voltage counts as lost.
            WiringFaults lost;
            for (int k = 0; k < 3; ++k) {
                if (!m.present[kNodeU1 + k] || m.low[k]) {
                    lost.push_back({FaultKind::VoltageLost, k});
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
                 [](const WiringFault& f) { return f.missing(); });
    const bool sameK = std::all_of(result.answers.begin(), result.answers.end(),
                                   [&](const WiringAnswer& a) { return sameFactor(a.k, first.k); });
    result.confidence = groups.size() == 1 ? Confidence::Unique
                        : sameK            ? Confidence::ManySameK
                                           : Confidence::ManyDifferentK;

    // Sequence: as every answer has it, or not known. Three-wire: the terminal orders that are
    // rotations of a-b-c keep the sequence.
    auto positiveOf = [threeWire](const Scored* s) {
        return threeWire ? s->candidate.voltage->order < kRotationOrders
                         : s->candidate.voltage->positiveSequence;
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
        result.energyCorrection = backBillingEnergy(*options.meteredEnergy, 1.0, *first.k.value);
    } else if (options.meteredEnergy) {
        result.warnings.push_back({WarningKind::NoEnergyAtInfiniteK});
    }
    return result;
}

}  // namespace pm
