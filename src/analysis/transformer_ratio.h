#pragma once

#include <optional>
#include <string_view>

namespace pm {

// A current or voltage transformer's ratio as a site records it: primary over secondary (200/5 A,
// 10000/100 V), or a meter connected directly, which multiplies by 1.
struct TransformerRatio {
    double primary = 1;
    double secondary = 1;
    bool direct = true;
    double factor() const { return direct ? 1.0 : primary / secondary; }
    bool operator==(const TransformerRatio&) const = default;
};

// The text of a ratio entry: "200/5" (spaces allowed round the numbers and the slash) or
// "直接接入" (or nothing) for a direct connection. Nothing for any other text, a number that is not
// positive and finite, or a secondary larger than its primary would make no transformer.
std::optional<TransformerRatio> parseTransformerRatio(std::string_view text);

// The meter's multiplier: what its registers and secondary readings are multiplied by to give
// primary values.
inline double meterMultiplier(const TransformerRatio& ct, const TransformerRatio& pt) {
    return ct.factor() * pt.factor();
}

// A site's two ratios, both read.
struct SiteRatios {
    TransformerRatio current;
    TransformerRatio voltage;
    double multiplier() const { return meterMultiplier(current, voltage); }
};

// Both entries of a site read, or nothing when either is not a ratio.
inline std::optional<SiteRatios> parseSiteRatios(std::string_view currentText,
                                                 std::string_view voltageText) {
    const std::optional<TransformerRatio> current = parseTransformerRatio(currentText);
    const std::optional<TransformerRatio> voltage = parseTransformerRatio(voltageText);
    if (!current || !voltage) {
        return std::nullopt;
    }
    return SiteRatios{*current, *voltage};
}

// The ratios a site's two entries give for its checks: nothing unless both are filled in and read.
// A blank entry is a ratio nobody recorded, not a direct connection: billing by a multiplier of 1
// on a guess could be off by the whole ratio.
inline std::optional<SiteRatios> enteredSiteRatios(std::string_view currentText,
                                                   std::string_view voltageText) {
    const auto blank = [](std::string_view text) {
        return text.find_first_not_of(" \t") == std::string_view::npos;
    };
    if (blank(currentText) || blank(voltageText)) {
        return std::nullopt;
    }
    return parseSiteRatios(currentText, voltageText);
}

// Energy to refund (negative) or charge (positive) for a metered register difference, with the
// correction factor K: metered × multiplier × (K − 1).
inline double backBillingEnergy(double meteredEnergy, double multiplier, double k) {
    return meteredEnergy * multiplier * (k - 1.0);
}

}  // namespace pm
