// The reading of a wiring check: the numbers of a frame, then which quantities are there, which
// are missing or suspiciously small, and every present quantity's direction, found by walking the
// graph of measured angles from the first present voltage and checked against every angle.
#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/wiring_parts.h"
#include "protocol/derived_values.h"
#include "protocol/measurement_frame.h"

namespace pm {
namespace wiring {
namespace {

constexpr double kLostVoltageShare = 0.78;   // of the largest voltage
constexpr double kSmallCurrentShare = 0.10;  // of the largest current: a warning only
constexpr double kAngleTolerance = 5.0;      // disagreement allowed between the angles
constexpr double kMinFrequency = 45.0;
constexpr double kMaxFrequency = 65.0;

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

}  // namespace

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
        out.reason.kind = ReasonKind::BadData;
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
    for (int k = 0; k < 3; ++k) {
        if (!m.used[kNodeU1 + k]) {
            continue;
        }
        const double u = m.magnitude[kNodeU1 + k];
        m.present[kNodeU1 + k] = u >= kActiveVolts;
        m.low[k] = u < kLostVoltageShare * largestU;
        if (threeWire && !m.present[kNodeU1 + k]) {
            out.missing.push_back(
                {threeWire ? FaultKind::LineVoltageLost : FaultKind::VoltageLost, k});
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (!m.used[kNodeI1 + k]) {
            continue;
        }
        const double i = m.magnitude[kNodeI1 + k];
        m.present[kNodeI1 + k] = i >= kActiveAmperes;
        if (!m.present[kNodeI1 + k]) {
            out.missing.push_back({FaultKind::CurrentAbsent, k});
        } else if (i < kSmallCurrentShare * largestI) {
            out.warnings.push_back({WarningKind::SmallCurrent, k});
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
        out.reason.kind = ReasonKind::AllVoltagesLost;
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
                m.lag[edge.to] = wrapTo360(m.lag[edge.from] + *a);
                reached[edge.to] = grew = true;
            } else if (reached[edge.to] && !reached[edge.from]) {
                m.lag[edge.from] = wrapTo360(m.lag[edge.to] - *a);
                reached[edge.from] = grew = true;
            }
        }
    }
    for (int node = 0; node < kNodeCount; ++node) {
        if (m.present[node] && !reached[node]) {
            // Present, but no angle ties it to the rest: nothing can be said about its direction.
            out.reason.kind = ReasonKind::TooFewAngles;
            return out;
        }
    }
    for (const Edge& edge : kEdges) {
        const std::optional<double>& a = angle[edge.angle];
        if (a && m.present[edge.from] && m.present[edge.to] &&
            std::fabs(wrapTo180(m.lag[edge.to] - m.lag[edge.from] - *a)) > kAngleTolerance) {
            out.reason.kind = ReasonKind::AnglesContradict;
            return out;
        }
    }
    for (int j = kNodeU1; j <= kNodeU3; ++j) {
        for (int k = j + 1; k <= kNodeU3; ++k) {
            if (m.present[j] && m.present[k] &&
                std::fabs(wrapTo180(m.lag[k] - m.lag[j])) < kAngleTolerance) {
                out.reason = {ReasonKind::VoltagesInPhase, {j - kNodeU1, k - kNodeU1}, threeWire};
                return out;
            }
        }
    }
    return out;
}

}  // namespace wiring

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

}  // namespace pm
