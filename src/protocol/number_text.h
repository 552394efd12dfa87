#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pm {

// The user's regional number settings, as plain values (the Qt layer fills them in from the
// system locale; tests set any they like).
struct NumberFormat {
    std::string decimalSymbol = ".";
    std::string groupSeparator = ",";
    // Sizes of the digit groups of the integer part, from the decimal point leftward; the last
    // size repeats. Empty: no grouping. {3}: 1,234,567. {3, 2}: 12,34,567.
    std::vector<int> grouping;
    bool leadingZero = true;  // write "0.5" rather than ".5"
    // Group only integer parts with at least first group size + this many digits: 2 writes 1234
    // but 12,345, as some locales do.
    int minimumGroupingDigits = 1;

    bool operator==(const NumberFormat&) const = default;
};

// Every number the program shows goes through here: `value` with exactly `decimals` digits after
// the decimal symbol, rounded half away from zero on the value's own decimal expansion, grouped
// and punctuated as `format` says, always with a digit before the decimal symbol. The sign is an
// ASCII "-" and the digits are 0 to 9 whatever the locale writes natively, so that readNumber is
// the exact inverse. A value that rounds to zero is written without a sign.
std::string fixNumberText(float value, int decimals, const NumberFormat& format = {});

// The number a shown text starts with: an optional "-", digits with group separators skipped, and
// an optional decimal symbol with further digits. What follows (a "°", say) is ignored; a text
// that does not start with a number reads as 0.
double readNumber(std::string_view text, const NumberFormat& format = {});

}  // namespace pm
