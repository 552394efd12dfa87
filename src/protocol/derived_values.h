#pragma once

// Quantities derived from the readings as shown: apparent, active and reactive power and the
// power factor of each channel, and the neutral current. They are computed from the texts as
// shown, with their trigonometric intermediates rounded to three decimals first, so the figures
// on screen agree with each other at the precision they are shown with.

#include <string>
#include <string_view>

#include "core/number_format.h"

namespace pm {

// Deliberately this rounded value and not the exact pi: the derived texts are defined with it and
// must come out the same to the last digit (cos 90 degrees, for one, lands a hair below zero).
constexpr double kPi = 3.14159265359;

// Below these a channel counts as idle and gets no power figures.
constexpr double kActiveVolts = 10.0;
constexpr double kActiveAmperes = 0.02;

// Apparent power (kVA), power factor, active and reactive power (kW, kvar) of one channel, from
// the channel's voltage, current and voltage-to-current angle texts as shown. An idle channel
// gets zero powers and a power factor of one.
struct ChannelPowerTexts {
    std::string s, pf, p, q;
    bool operator==(const ChannelPowerTexts&) const = default;
};
bool channelIsActive(std::string_view uText, std::string_view iText, const NumberFormat& format);
ChannelPowerTexts channelPowers(std::string_view uText, std::string_view iText,
                                std::string_view phiText, const NumberFormat& format);

// Neutral current (A) from the three current texts and the I1I2 and I3I1 angle texts, I1 taken
// as the reference direction; zero when any current is below the idle threshold.
std::string neutralCurrentText(std::string_view i1, std::string_view i2, std::string_view i3,
                               std::string_view i1i2Angle, std::string_view i3i1Angle,
                               const NumberFormat& format);

}  // namespace pm
