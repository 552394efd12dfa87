#pragma once

// What the clamps read on the secondary side of a site's transformers, and the same quantities on
// the primary side: voltages times the PT factor, currents times the CT factor, powers times the
// meter's multiplier. The energy to refund or charge counts in the multiplier as well.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "analysis/transformer_ratio.h"
#include "analysis/wiring_check.h"

namespace pm {

// One channel as the live panel shows it: volts, amperes, kW, kvar, kVA. The panel shows active
// and reactive power without their sign; the signs are kept beside them, since a total has to
// subtract an element whose current is turned round.
struct ChannelValues {
    double u = 0;
    double i = 0;
    double p = 0;
    double q = 0;
    double s = 0;
    int pSign = 1;  // -1: the current more than 90° from its voltage
    int qSign = 1;  // -1: the current leading its voltage
};

// The three channels of a reading; a channel the frame cannot give (an unknown range code, missing
// bytes) has no values.
using ChannelSet = std::array<std::optional<ChannelValues>, 3>;

// The reading's channels, computed from the texts the panel shows, so that the numbers are the
// panel's to the last digit.
ChannelSet channelValues(std::span<const std::uint8_t> frame);

// Whether the installation uses a channel: three-wire leaves channel 2 (index 1) out.
bool channelUsed(WiringSystem system, int channel);

// The installation's total: the sum of the elements' active and reactive power with their signs,
// as the meter registers them, and the apparent power of that sum, sqrt(P² + Q²). Summing the
// elements' apparent powers instead would be wrong three-wire, where each element sees a line
// voltage. Nothing while a used channel has no values.
struct PowerTotal {
    double p = 0;
    double q = 0;
    double s = 0;
};
std::optional<PowerTotal> powerTotal(const ChannelSet& channels, WiringSystem system);

// The channels on the primary side of the site's transformers.
ChannelSet primaryValues(const ChannelSet& secondary, const SiteRatios& ratios);

// 退补电量 of a check: 抄见电量 × 倍率 × (K − 1) with the conclusion's K, the multiplier 1 without
// ratios. Nothing without a finite metered energy, without a conclusion, when K is infinite
// or when the product overflows.
std::optional<double> backBilledEnergy(const WiringOptions& options, const WiringResult& result,
                                       const std::optional<SiteRatios>& ratios);

}  // namespace pm
