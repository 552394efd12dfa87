#include "protocol/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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

bool startsWith(std::string_view text, std::size_t at, std::string_view piece) {
    return !piece.empty() && text.substr(at, piece.size()) == piece;
}

}  // namespace

std::string fixNumberText(float value, int decimals, const NumberFormat& format) {
    if (decimals < 0) {
        decimals = 0;
    }
    double exact = static_cast<double>(value);
    if (!std::isfinite(exact)) {
        exact = 0.0;
    }
    const bool negative = std::signbit(exact);
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*f", kExpansionDigits, std::fabs(exact));
    const std::string expansion(buffer);
    const std::size_t point = expansion.find('.');
    std::string integerDigits = expansion.substr(0, point);
    const std::string fraction = expansion.substr(point + 1);

    // Round half away from zero on the magnitude: only the first dropped digit decides.
    std::string kept = integerDigits + fraction.substr(0, static_cast<std::size_t>(decimals));
    if (fraction[static_cast<std::size_t>(decimals)] >= '5') {
        incrementDigits(kept);
    }
    const std::size_t integerLength = kept.size() - static_cast<std::size_t>(decimals);
    integerDigits = kept.substr(0, integerLength);
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

double readNumber(std::string_view text, const NumberFormat& format) {
    std::string plain;
    std::size_t at = 0;
    if (startsWith(text, at, "-")) {
        plain += '-';
        ++at;
    }
    bool anyDigit = false;
    auto isDigit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
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
