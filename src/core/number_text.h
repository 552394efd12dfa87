#pragma once

#include <string>
#include <string_view>

#include "core/number_format.h"

namespace pm {

// Every number the program shows goes through here: `value` with exactly `decimals` digits after
// the decimal symbol, rounded half away from zero on the value's own decimal expansion, grouped
// and punctuated as `format` says, always with a digit before the decimal symbol. The sign is an
// ASCII "-" and the digits are 0 to 9 whatever the locale writes natively, so that readNumber is
// the exact inverse. A value that rounds to zero is written without a sign.
std::string fixNumberText(float value, int decimals, const NumberFormat& format = {});
// The same for a double, on its own expansion: for the figures whose digits a float cannot hold
// (an energy of millions of kWh to three decimals).
std::string fixNumberText(double value, int decimals, const NumberFormat& format = {});

// The number a shown text starts with: an optional "-", digits with group separators skipped, and
// an optional decimal symbol with further digits. What follows (a "°", say) is ignored; a text
// that does not start with a number reads as 0.
double readNumber(std::string_view text, const NumberFormat& format = {});

}  // namespace pm
