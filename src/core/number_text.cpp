#include "core/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

namespace pm {
namespace {

// Exact decimal expansion of a float: glibc prints the exact binary value, and 60 fraction digits
// hold every digit that can decide a rounding at the precisions in use.
constexpr int kExpansionDigits = 60;

// Adds one unit in the last place to a string of decimal digits, carrying leftward.
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

std::string groupIntegerPart(const std::string& digits, const NumberFormat& format) {
    if (format.grouping.empty() || format.groupSeparator.empty()) {
        return digits;
    }
    const long long shortest =
        static_cast<long long>(format.grouping.front()) + std::max(format.minimumGroupingDigits, 1);
    if (static_cast<long long>(digits.size()) < shortest) {
        return digits;
    }
    std::vector<std::string> groups;
    std::size_t end = digits.size();
    std::size_t which = 0;
    while (end > 0) {
        const int size = format.grouping[std::min(which, format.grouping.size() - 1)];
        if (size <= 0) {
            groups.push_back(digits.substr(0, end));
            break;
        }
        const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(size), end);
        groups.push_back(digits.substr(end - take, take));
        end -= take;
        ++which;
    }
    std::string out;
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        if (!out.empty()) {
            out += format.groupSeparator;
        }
        out += *it;
    }
    return out;
}

// round(magnitude * 10^decimals), halves up, computed exactly in integers: a float is m * 2^e with
// m below 2^24, so the product is m * 5^decimals * 2^(e + decimals), which fits 64 bits for every
// reading the instrument can send. Nothing comes back when it would not fit.
std::optional<std::uint64_t> scaledUnits(float magnitude, int decimals) {
    constexpr int kMantissaBits = 24;
    if (decimals > 16) {  // 5^16 * 2^24 is just below 2^62
        return std::nullopt;
    }
    int exponent = 0;
    const float fraction = std::frexp(magnitude, &exponent);
    std::uint64_t units = static_cast<std::uint64_t>(std::ldexp(fraction, kMantissaBits));
    for (int k = 0; k < decimals; ++k) {
        units *= 5;
    }
    const int shift = exponent - kMantissaBits + decimals;
    if (shift >= 0) {
        if (shift > 62 || units > (std::numeric_limits<std::uint64_t>::max() >> 1 >> shift)) {
            return std::nullopt;
        }
        return units << shift;
    }
    const int drop = -shift;
    if (drop >= 64) {
        return 0;  // units < 2^62: less than a quarter unit
    }
    const std::uint64_t half = std::uint64_t{1} << (drop - 1);
    const std::uint64_t remainder = units & ((half << 1) - 1);
    return (units >> drop) + (remainder >= half ? 1 : 0);
}

// The digits of the magnitude rounded to `decimals` on its exact decimal expansion, half away from
// zero, at least decimals + 1 of them (the last `decimals` are the fraction): only the first
// dropped digit decides.
std::string expandedDigits(double magnitude, int decimals) {
    // The largest double has 309 integer digits.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", kExpansionDigits, magnitude);
    const std::string expansion(buffer);
    const std::size_t point = expansion.find('.');
    std::string digits = expansion.substr(0, point) +
                         expansion.substr(point + 1, static_cast<std::size_t>(decimals));
    if (expansion[point + 1 + static_cast<std::size_t>(decimals)] >= '5') {
        incrementDigits(digits);
    }
    return digits;
}

// As expandedDigits, for a float, through 64-bit integers where they hold it.
std::string roundedDigits(float magnitude, int decimals) {
    const auto width = static_cast<std::size_t>(decimals) + 1;
    if (const std::optional<std::uint64_t> units = scaledUnits(magnitude, decimals)) {
        std::string digits = std::to_string(*units);
        if (digits.size() < width) {
            digits.insert(0, width - digits.size(), '0');
        }
        return digits;
    }
    // Too large for 64 bits: take the exact decimal expansion.
    return expandedDigits(static_cast<double>(magnitude), decimals);
}

bool startsWith(std::string_view text, std::size_t at, std::string_view piece) {
    return !piece.empty() && text.substr(at, piece.size()) == piece;
}

// The rounded digits `kept` of a magnitude with `decimals` of them the fraction, written as
// fixNumberText writes numbers.
std::string numberText(bool negative, const std::string& kept, int decimals,
                       const NumberFormat& format) {
    const std::size_t integerLength = kept.size() - static_cast<std::size_t>(decimals);
    const std::string integerDigits = kept.substr(0, integerLength);
    const std::string fractionDigits = kept.substr(integerLength);
    const bool zero = kept.find_first_not_of('0') == std::string::npos;

    // The text as the regional settings write it...
    std::string t;
    if (negative && !zero) {
        t += '-';
    }
    if (!(integerDigits == "0" && decimals > 0 && !format.leadingZero)) {
        t += groupIntegerPart(integerDigits, format);
    }
    if (decimals > 0) {
        t += format.decimalSymbol;
        t += fractionDigits;
    }
    // ...and then always with a digit before the decimal symbol.
    if (startsWith(t, 0, "-") && startsWith(t, 1, format.decimalSymbol)) {
        return "-0" + t.substr(1);
    }
    if (startsWith(t, 0, format.decimalSymbol)) {
        return "0" + t;
    }
    return t;
}

}  // namespace

std::string fixNumberText(float value, int decimals, const NumberFormat& format) {
    // Beyond the expansion there is nothing left to round on.
    decimals = std::clamp(decimals, 0, kExpansionDigits - 1);
    if (!std::isfinite(value)) {
        value = 0.0f;
    }
    return numberText(std::signbit(value), roundedDigits(std::fabs(value), decimals), decimals,
                      format);
}

std::string fixNumberText(double value, int decimals, const NumberFormat& format) {
    decimals = std::clamp(decimals, 0, kExpansionDigits - 1);
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    return numberText(std::signbit(value), expandedDigits(std::fabs(value), decimals), decimals,
                      format);
}

double readNumber(std::string_view text, const NumberFormat& format) {
    std::string plain;
    std::size_t at = 0;
    if (startsWith(text, at, "-")) {
        plain += '-';
        ++at;
    }
    bool anyDigit = false;
    auto isDigit = [&](std::size_t k) {
        return k < text.size() && text[k] >= '0' && text[k] <= '9';
    };
    while (at < text.size()) {
        if (isDigit(at)) {
            plain += text[at++];
            anyDigit = true;
        } else if (anyDigit && startsWith(text, at, format.groupSeparator) &&
                   format.groupSeparator != format.decimalSymbol &&
                   isDigit(at + format.groupSeparator.size())) {
            at += format.groupSeparator.size();
        } else {
            break;
        }
    }
    if (startsWith(text, at, format.decimalSymbol) && isDigit(at + format.decimalSymbol.size())) {
        at += format.decimalSymbol.size();
        plain += '.';
        while (isDigit(at)) {
            plain += text[at++];
            anyDigit = true;
        }
    }
    if (!anyDigit) {
        return 0.0;
    }
    double result = 0.0;
    std::from_chars(plain.data(), plain.data() + plain.size(), result);
    return result;
}

}  // namespace pm
