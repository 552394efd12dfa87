#pragma once

// The wiring check of an energy-meter installation from one reading: which voltage and which
// current each metering element really sees, the phase sequence, and the correction factor
// K = P_true / P_metered by which the energy the meter recorded is put right.
//
// Angles follow the meter: "XY" is the direction of Y measured clockwise from X, so a lagging
// current gives a positive UkIk and a balanced positive sequence reads 120, 120, 120 for U1U2,
// U2U3, U3U1. Inside, every quantity is a phasor whose direction is its clockwise angle from a
// reference, in degrees.
//
// Four-wire: channel k measures terminal k to neutral and the current of element k; correct is
// phase k's voltage and current on every element. Three-wire: channel 1 measures U12, channel 3
// U32 (the common lead on terminal 2), channel 2 is unused; I1 is element 1's current and I3
// element 2's; correct is Uab with Ia on element 1 and Ucb with Ic on element 2. The voltages
// come from two transformers in V/V sharing the common wire b'; either may be reversed, and its
// wire may reach any terminal, so each hypothesis predicts the ratio U12/U32 (1, or root 3 where
// it puts both transformers in series on one channel) and is kept only where the measured ratio
// is within 15 % of it. A channel is lost below 10 V, or when no hypothesis explains the two
// voltages and it is under 78 % of the other, as a blown transformer fuse leaves it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pm {

enum class WiringSystem { FourWire, ThreeWire };
enum class PowerDirection { Import, Export };  // 受电, 送电

struct WiringOptions {
    WiringSystem system = WiringSystem::FourWire;
    // The range the true load angle of every element lies in, degrees, lagging positive.
    double loadFrom = 0;
    double loadTo = 60;
    PowerDirection direction = PowerDirection::Import;
    bool viaVoltageTransformers = false;  // 经PT接入 (four-wire): a reversed PT is a candidate
    int bTerminal = 0;                    // three-wire: terminal 1..3 of phase b, 0 unknown
    std::optional<double> averagePowerFactor;
    std::optional<double> meteredEnergy;  // 抄见电量, kWh
};

// One reading as numbers. A quantity whose range code is unknown has no value.
struct WiringReading {
    std::array<std::optional<double>, 3> u;      // volts
    std::array<std::optional<double>, 3> i;      // amperes
    std::array<std::optional<double>, 9> angle;  // degrees, frame order
    std::optional<double> frequency;             // hertz
    bool withoutVoltageAngles = false;           // a stored record taken in mode 2
};

WiringReading wiringReading(std::span<const std::uint8_t> frame);

enum class PhaseSequence { Positive, Negative, Unknown };  // 正相序, 逆相序, 不定
enum class Confidence { Unique, ManySameK, ManyDifferentK, Unrecognised };

// K = P_true / P_metered; nothing (infinite) when the meter registers almost nothing.
struct CorrectionFactor {
    std::optional<double> value;
    bool infinite() const { return !value.has_value(); }
};

// What is wrong with the wiring, as a value that later code decides on; wiring_texts.h names
// it. Channels are 0..2; a phase 0..2 is a, b, c.
enum class FaultKind {
    VoltageLost,             // four-wire channel: "U2失压"
    LineVoltageLost,         // three-wire channel 0 or 2: "U12失压", "U32失压"
    CurrentAbsent,           // channel: "I3无电流"
    NeutralOnTerminal,       // channel: terminal on the neutral, its lead on that phase
    ChannelPtReversed,       // four-wire channel: its PT reversed
    TransformerReversed,     // three-wire: the PT of phases a-b (phase 0) or c-b (phase 2)
    TerminalOrder,           // three-wire: the phases on terminals 1..3 (`order`)
    CurrentOnPhase,          // four-wire channel: its current is that of `phase`
    CurrentReversed,         // four-wire channel
    ElementCurrentsSwapped,  // three-wire: Ic on element 1 and Ia on element 2
    ElementCurrentReversed,  // three-wire channel 0 (element 1) or 2 (element 2)
};

struct WiringFault {
    FaultKind kind = FaultKind::VoltageLost;
    int channel = -1;
    int phase = -1;
    std::array<int, 3> order{};
    bool operator==(const WiringFault&) const = default;
    // A quantity the reading lacks rather than a way it is wired.
    bool missing() const {
        return kind == FaultKind::VoltageLost || kind == FaultKind::LineVoltageLost ||
               kind == FaultKind::CurrentAbsent;
    }
};
using WiringFaults = std::vector<WiringFault>;

enum class WarningKind {
    SmallCurrent,         // channel: under a tenth of the largest current
    NoEnergyAtInfiniteK,  // the metered energy cannot be corrected by an infinite K
};
struct WiringWarning {
    WarningKind kind = WarningKind::SmallCurrent;
    int channel = -1;
    bool operator==(const WiringWarning&) const = default;
};

// Why a reading has no answer.
enum class ReasonKind {
    None,
    BadData,  // a range code unknown, an angle above a turn, the frequency
    AllVoltagesLost,
    TooFewAngles,  // a present quantity no angle ties to the rest
    AnglesContradict,
    VoltagesInPhase,  // `channels`: two voltage channels on one phase
    NoWiringFits,
};
struct WiringReason {
    ReasonKind kind = ReasonKind::None;
    std::array<int, 2> channels{-1, -1};
    bool lineVoltages = false;  // three-wire channels, named U12 and U32
    bool operator==(const WiringReason&) const = default;
};

// One explanation of the reading.
struct WiringAnswer {
    WiringFaults faults;  // empty: wired correctly
    // What each metering element sees, e.g. "Ua", "(-Ib)" or "Uab", "Ia"; four-wire elements 1..3,
    // three-wire elements 1 and 2.
    std::vector<std::string> elementVoltages;
    std::vector<std::string> elementCurrents;
    // For the diagram: what each channel's voltage and current was found to be ("Ua", "-Ia",
    // "Uab"); empty for a channel that is unused, lost or absent. Index = channel - 1.
    std::array<std::string, 3> voltageNames;
    std::array<std::string, 3> currentNames;
    CorrectionFactor k;
    double loadAngle = 0;                   // mean true load angle of the elements, degrees
    std::vector<WiringFaults> equivalents;  // conclusions that read the same at every load angle
    int faultCount = 0;
};

struct WiringResult {
    PhaseSequence sequence = PhaseSequence::Unknown;
    Confidence confidence = Confidence::Unrecognised;
    WiringReason reason;                // only when Unrecognised
    std::vector<WiringAnswer> answers;  // every explanation, best first: the conclusion first
    std::optional<CorrectionFactor> balancedK;     // with a lost voltage or absent current
    std::optional<CorrectionFactor> powerFactorK;  // at the entered average power factor
    std::optional<double> energyCorrection;        // ΔW = W × (K − 1), kWh
    std::vector<WiringWarning> warnings;
    // Quantities found missing; part of every answer's faults.
    WiringFaults missing;
};

WiringResult checkWiring(const WiringReading& reading, const WiringOptions& options);

}  // namespace pm
