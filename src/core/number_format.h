#pragma once

#include <string>
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

}  // namespace pm
