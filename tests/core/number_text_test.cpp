#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace pm {
namespace {

NumberFormat plain() {
    return {};
}
NumberFormat english() {
    return {".", ",", {3}};
}
NumberFormat german() {
    return {",", ".", {3}};
}
NumberFormat noLeadingZero() {
    return {".", ",", {}, false};
}
// Swedish writes its minus as U+2212 and groups with a no-break space.
NumberFormat swedish() {
    return {",", "\u00A0", {3}};
}
// Egyptian Arabic: Arabic decimal and group marks (its native digits are not used).
NumberFormat arabic() {
    return {"\u066B", "\u066C", {3}};
}
NumberFormat indian() {
    return {".", ",", {3, 2}};
}
NumberFormat spanish() {
    return {",", ".", {3}, true, 2};
}  // 1234 but 12.345

struct FormatCase {
    const char* name;
    float value;
    int decimals;
    NumberFormat format;
    const char* expected;
};

TEST(FixNumberText, RoundsAndPunctuatesByTheRegionalSettings) {
    const FormatCase cases[] = {
        {"half a volt keeps its zero", 0.5f, 2, plain(), "0.50"},
        {"zero added where the locale omits it", 0.5f, 2, noLeadingZero(), "0.50"},
        {"negative gets its zero after the minus", -0.5f, 3, noLeadingZero(), "-0.500"},
        {"zero", 0.0f, 4, plain(), "0.0000"},
        {"no decimals, no decimal point", 230.0f, 0, plain(), "230"},
        {"half rounds up, unlike printf", 0.125f, 2, plain(), "0.13"},
        {"negative half rounds away from zero", -0.125f, 2, plain(), "-0.13"},
        {"half at no decimals", 2.5f, 0, plain(), "3"},
        {"negative half at no decimals", -2.5f, 0, plain(), "-3"},
        {"float just below the shown value", 123.45f, 2, plain(), "123.45"},
        {"float's own expansion 1.00499999 stays down", 1.005f, 2, plain(), "1.00"},
        {"carry into a new digit and group", 999.96f, 1, english(), "1,000.0"},
        {"carry to one", 0.9999f, 3, plain(), "1.000"},
        {"negative rounding to zero has no minus", -0.0001f, 3, plain(), "0.000"},
        {"cos 90 degrees with the rounded pi", -1.0363e-13f, 3, plain(), "0.000"},
        {"negative zero", -0.0f, 2, plain(), "0.00"},
        {"thousands with comma", 1234.5f, 1, english(), "1,234.5"},
        {"thousands with point", 1234.5f, 1, german(), "1.234,5"},
        {"millions", 1234567.0f, 0, english(), "1,234,567"},
        {"no grouping below a full group", 999.0f, 0, english(), "999"},
        {"Indian lakh grouping", 1234567.0f, 0, indian(), "12,34,567"},
        {"short integer part left ungrouped", 1234.0f, 0, spanish(), "1234"},
        {"grouped from the minimum on", 12345.0f, 0, spanish(), "12.345"},
        {"ASCII minus where the locale's is U+2212", -0.866f, 3, swedish(), "-0,866"},
        {"no-break space grouping", -1234.5f, 1, swedish(), "-1\u00A0234,5"},
        {"Arabic marks, ASCII digits", 1234.5f, 1, arabic(), "1\u066C234\u066B5"},
        {"not a number shows zero", std::nanf(""), 2, plain(), "0.00"},
        {"negative decimals count as none", 2.5f, -3, plain(), "3"},
        {"sixteen decimals", 0.1f, 16, plain(), "0.1000000014901161"},
        {"twenty decimals", 0.1f, 20, plain(), "0.10000000149011611938"},
        {"past 64 bits", 1e20f, 4, plain(), "100000002004087734272.0000"},
        {"largest float", std::numeric_limits<float>::max(), 0, english(),
         "340,282,346,638,528,859,811,704,183,484,516,925,440"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fixNumberText(c.value, c.decimals, c.format), c.expected);
    }
}

// A double keeps the digits a float would lose: an energy of millions of kWh to three decimals.
TEST(FixNumberText, ADoubleIsRoundedOnItsOwnExpansion) {
    EXPECT_EQ(fixNumberText(-1361949.219, 3, english()), "-1,361,949.219");
    EXPECT_EQ(fixNumberText(static_cast<float>(-1361949.219), 3, english()), "-1,361,949.250");
    EXPECT_EQ(fixNumberText(-2.5, 0, plain()), "-3");
    EXPECT_EQ(fixNumberText(1.005, 2, plain()), "1.00");  // 1.00499999999999989...
    EXPECT_EQ(fixNumberText(1e300, 0, plain()).size(), 301u);
}

struct ReadCase {
    const char* name;
    const char* text;
    NumberFormat format;
    double expected;
};

TEST(ReadNumber, TakesTheLeadingNumberOfAShownText) {
    const ReadCase cases[] = {
        {"voltage", "230.00", plain(), 230.0},
        {"angle with degree sign", "120.0\u00B0", plain(), 120.0},
        {"negative power factor", "-0.866", plain(), -0.866},
        {"comma decimal", "-0,866", swedish(), -0.866},
        {"group comma skipped", "1,234.5", english(), 1234.5},
        {"group point skipped", "1.234,5", german(), 1234.5},
        {"no-break space skipped", "1\u00A0234,5", swedish(), 1234.5},
        {"Arabic marks", "1\u066C234\u066B5\u00B0", arabic(), 1234.5},
        {"Indian groups", "12,34,567.25", indian(), 1234567.25},
        {"empty", "", plain(), 0.0},
        {"not a number", "----", plain(), 0.0},
        {"lone minus", "-", plain(), 0.0},
        {"degree sign only", "\u00B0", plain(), 0.0},
        {"stops at a second decimal symbol", "12.5.3", plain(), 12.5},
        {"separator not followed by a digit ends the number", "1,", english(), 1.0},
        {"the other locale's decimal symbol ends the number", "0.866", swedish(), 0.0},
        {"unit after the number", "50.00Hz", plain(), 50.0},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readNumber(c.text, c.format), c.expected);
    }
}

// The plain text of n / 10^decimals, built from the integer alone.
std::string plainText(long long n, int decimals) {
    std::string digits = std::to_string(std::llabs(n));
    if (decimals > 0) {
        if (digits.size() <= static_cast<std::size_t>(decimals)) {
            digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
    }
    return (n < 0 ? "-" : "") + digits;
}

std::string withoutGroups(std::string text, const NumberFormat& format) {
    if (!format.groupSeparator.empty()) {
        for (std::size_t at; (at = text.find(format.groupSeparator)) != std::string::npos;) {
            text.erase(at, format.groupSeparator.size());
        }
    }
    const std::size_t point = text.find(format.decimalSymbol);
    if (point != std::string::npos) {
        text.replace(point, format.decimalSymbol.size(), ".");
    }
    return text;
}

// A float times 10^4 fits a long double's 64-bit mantissa exactly, so llroundl rounds the
// float's exact value half away from zero: an independent reference for the formatter.
TEST(FixNumberText, ReadsBackAsItsRoundedValueForAnyFormat) {
    const NumberFormat formats[] = {plain(),   english(), german(), noLeadingZero(),
                                    swedish(), arabic(),  indian(), spanish()};
    std::mt19937 random(20240521u);
    std::uniform_real_distribution<double> exponent(-5.0, 7.0);
    std::uniform_int_distribution<int> decimalsOf(0, 4);
    std::uniform_int_distribution<std::int32_t> raw(-4'000'000, 4'000'000);
    std::uniform_int_distribution<int> kind(0, 2);
    int failures = 0;
    for (int n = 0; n < 40'000 && failures < 10; ++n) {
        const int decimals = decimalsOf(random);
        float value = 0;
        switch (kind(random)) {
            case 0:  // any magnitude
                value =
                    static_cast<float>(std::pow(10.0, exponent(random)) * (random() % 2 ? 1 : -1));
                break;
            case 1:  // exact binary fractions, many of them half-way at some decimals
                value = static_cast<float>(raw(random)) / 32.0f;
                break;
            default:  // instrument readings: a word over a power of ten
                value = static_cast<float>(raw(random) / std::pow(10.0, decimalsOf(random)));
                break;
        }
        const long double scale = std::pow(10.0L, decimals);
        const long long units = std::llroundl(static_cast<long double>(value) * scale);
        const std::string expectedPlain = plainText(units, decimals);
        const double expectedValue = static_cast<double>(units) / static_cast<double>(scale);
        for (const NumberFormat& format : formats) {
            const std::string text = fixNumberText(value, decimals, format);
            const bool ok = withoutGroups(text, format) == expectedPlain &&
                            readNumber(text, format) == expectedValue;
            if (!ok) {
                ++failures;
                ADD_FAILURE() << "value " << value << " decimals " << decimals << " gave \"" << text
                              << "\", expected " << expectedPlain << " with \""
                              << format.decimalSymbol << "\" and \"" << format.groupSeparator
                              << "\"";
            }
        }
    }
}

}  // namespace
}  // namespace pm
