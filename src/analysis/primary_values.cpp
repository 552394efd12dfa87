// A reading's channels on both sides of the site's transformers, and the back-billing energy.
#include "analysis/primary_values.h"

#include <cmath>
#include <string>

#include "core/number_text.h"
#include "protocol/derived_values.h"
#include "protocol/measurement_frame.h"

namespace pm {

ChannelSet channelValues(std::span<const std::uint8_t> frame) {
    // Plain texts: "." and no grouping, read back exactly.
    const NumberFormat plain{".", "", {}, true, 1};
    ChannelSet channels;
    for (int k = 0; k < 3; ++k) {
        const std::optional<std::string> u = voltageText(frame, k, plain);
        const std::optional<std::string> i = currentText(frame, k, plain);
        const std::optional<std::string> phi = angleText(frame, 6 + k, plain);
        if (!u || !i || !phi) {
            continue;
        }
        const ChannelPowerTexts powers = channelPowers(*u, *i, *phi, plain);
        ChannelValues v;
        v.u = readNumber(*u, plain);
        v.i = readNumber(*i, plain);
        v.p = readNumber(powers.p, plain);
        v.q = readNumber(powers.q, plain);
        v.s = readNumber(powers.s, plain);
        // The signs of the panel's own power factor and sine: the whole degrees it works with.
        const double wholeDegrees =
            readNumber(fixNumberText(static_cast<float>(readNumber(*phi, plain)), 0, plain), plain);
        v.pSign = readNumber(powers.pf, plain) < 0 ? -1 : 1;
        v.qSign = std::sin(wholeDegrees * kPi / 180.0) < 0 ? -1 : 1;
        channels[static_cast<std::size_t>(k)] = v;
    }
    return channels;
}

bool channelUsed(WiringSystem system, int channel) {
    return system == WiringSystem::FourWire || channel != 1;
}

std::optional<PowerTotal> powerTotal(const ChannelSet& channels, WiringSystem system) {
    PowerTotal total;
    for (int k = 0; k < 3; ++k) {
        if (!channelUsed(system, k)) {
            continue;
        }
        const std::optional<ChannelValues>& c = channels[static_cast<std::size_t>(k)];
        if (!c) {
            return std::nullopt;
        }
        total.p += c->pSign * c->p;
        total.q += c->qSign * c->q;
    }
    total.s = std::hypot(total.p, total.q);
    return total;
}

ChannelSet primaryValues(const ChannelSet& secondary, const SiteRatios& ratios) {
    const double pt = ratios.voltage.factor();
    const double ct = ratios.current.factor();
    const double multiplier = ratios.multiplier();
    ChannelSet primary;
    for (std::size_t k = 0; k < secondary.size(); ++k) {
        if (const std::optional<ChannelValues>& c = secondary[k]) {
            ChannelValues v = *c;
            v.u *= pt;
            v.i *= ct;
            v.p *= multiplier;
            v.q *= multiplier;
            v.s *= multiplier;
            primary[k] = v;
        }
    }
    return primary;
}

std::optional<double> backBilledEnergy(const WiringOptions& options, const WiringResult& result,
                                       const std::optional<SiteRatios>& ratios) {
    if (!options.meteredEnergy || !std::isfinite(*options.meteredEnergy) ||
        result.answers.empty() || result.answers.front().k.infinite()) {
        return std::nullopt;
    }
    const double energy =
        backBillingEnergy(*options.meteredEnergy, ratios ? ratios->multiplier() : 1.0,
                          *result.answers.front().k.value);
    // A figure too large for a double (digits typed without end) is no figure to bill by.
    if (!std::isfinite(energy)) {
        return std::nullopt;
    }
    return energy;
}

}  // namespace pm
