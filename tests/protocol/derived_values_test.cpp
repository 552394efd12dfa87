#include "protocol/derived_values.h"

#include <gtest/gtest.h>

#include <ostream>

namespace pm {

void PrintTo(const ChannelPowerTexts& t, std::ostream* os) {
    *os << "S " << t.s << ", PF " << t.pf << ", P " << t.p << ", Q " << t.q;
}

namespace {

const NumberFormat kPlain{};
const NumberFormat kSwedish{",", "\u00A0", {3}};
const NumberFormat kGerman{",", ".", {3}};
const NumberFormat kEnglish{".", ",", {3}};

struct PowerCase {
    const char* name;
    const char* u;
    const char* i;
    const char* phi;
    NumberFormat format;
    ChannelPowerTexts expected;  // s, pf, p, q
};

TEST(ChannelPowers, FollowTheShownTextsAndTheirRoundingOrder) {
    const PowerCase cases[] = {
        {"balanced channel",
         "230.00",
         "5.000",
         "30.0\u00B0",
         kPlain,
         {"1.1500", "0.866", "0.9959", "0.5750"}},
        // 60.5 degrees makes 61 (halves away from zero): cos 61 = 0.485, not cos 60 = 0.500.
        // P = 0.485 * 1.15 = 0.55775 falls to 0.5577 as a float; Q = 0.875 * 1.15 rises to 1.0063.
        {"angle half rounds away from zero",
         "230.00",
         "5.000",
         "60.5\u00B0",
         kPlain,
         {"1.1500", "0.485", "0.5577", "1.0063"}},
        {"opposite: negative PF, P equals S",
         "230.00",
         "5.000",
         "180.0\u00B0",
         kPlain,
         {"1.1500", "-1.000", "1.1500", "0.0000"}},
        {"quadrature: no minus on zero PF",
         "230.00",
         "5.000",
         "90.0\u00B0",
         kPlain,
         {"1.1500", "0.000", "0.0000", "1.1500"}},
        {"359.5 makes 360",
         "230.00",
         "5.000",
         "359.5\u00B0",
         kPlain,
         {"1.1500", "1.000", "1.1500", "0.0000"}},
        {"angle far past a turn",
         "230.00",
         "5.000",
         "6553.5\u00B0",
         kPlain,
         {"1.1500", "0.276", "0.3174", "1.1051"}},
        {"just active",
         "10.00",
         "0.0200",
         "0.0\u00B0",
         kPlain,
         {"0.0002", "1.000", "0.0002", "0.0000"}},
        {"voltage below 10",
         "9.99",
         "5.000",
         "30.0\u00B0",
         kPlain,
         {"0.0000", "1.000", "0.0000", "0.0000"}},
        {"current below 0.02",
         "230.00",
         "0.0190",
         "30.0\u00B0",
         kPlain,
         {"0.0000", "1.000", "0.0000", "0.0000"}},
        {"voltage not a number",
         "",
         "5.000",
         "30.0\u00B0",
         kPlain,
         {"0.0000", "1.000", "0.0000", "0.0000"}},
        {"comma decimals",
         "230,00",
         "5,000",
         "30,0\u00B0",
         kSwedish,
         {"1,1500", "0,866", "0,9959", "0,5750"}},
        {"idle texts in the locale's own writing",
         "9,99",
         "5,000",
         "30,0\u00B0",
         kGerman,
         {"0,0000", "1,000", "0,0000", "0,0000"}},
        {"grouped voltage read back whole",
         "1,234.5",
         "5.000",
         "45.0\u00B0",
         kEnglish,
         {"6.1725", "0.707", "4.3640", "4.3640"}},
        {"top of both ranges",
         "65535",
         "655.35",
         "30.0\u00B0",
         kEnglish,
         {"42,948.3633", "0.866", "37,193.2813", "21,474.1816"}},
    };
    for (const PowerCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(channelPowers(c.u, c.i, c.phi, c.format), c.expected);
    }
}

struct NeutralCase {
    const char* name;
    const char *i1, *i2, *i3, *i1i2, *i3i1;
    NumberFormat format;
    const char* expected;
};

TEST(NeutralCurrent, SumsThePhasorsAtShownPrecision) {
    const NeutralCase cases[] = {
        {"balanced: Re and Im both zero", "5.000", "5.000", "5.000", "120.0\u00B0", "120.0\u00B0",
         kPlain, "0.000"},
        {"unbalanced magnitudes", "10.000", "5.000", "5.000", "120.0\u00B0", "120.0\u00B0", kPlain,
         "5.000"},
        {"all in phase", "5.000", "5.000", "5.000", "0.0\u00B0", "0.0\u00B0", kPlain, "15.000"},
        // Halves go to the even degree: 120.5 makes 120 (balanced again), 121.5 makes 122.
        {"I1I2 120.5 rounds down to even", "1.000", "1.000", "1.000", "120.5\u00B0", "120.0\u00B0",
         kPlain, "0.000"},
        {"I1I2 121.5 rounds up to even", "1.000", "1.000", "1.000", "121.5\u00B0", "120.0\u00B0",
         kPlain, "0.035"},
        {"360 - 119.5 = 240.5 rounds to 240", "1.000", "1.000", "1.000", "120.0\u00B0",
         "119.5\u00B0", kPlain, "0.000"},
        {"uneven currents and angles", "12.345", "6.789", "3.210", "117.3\u00B0", "125.8\u00B0",
         kPlain, "8.143"},
        {"I3 below threshold", "10.000", "5.000", "0.0190", "120.0\u00B0", "120.0\u00B0", kPlain,
         "0.000"},
        {"I1 below threshold", "0.0100", "5.000", "5.000", "120.0\u00B0", "120.0\u00B0", kPlain,
         "0.000"},
        {"comma decimals", "10,000", "5,000", "5,000", "120,0\u00B0", "120,0\u00B0", kSwedish,
         "5,000"},
        {"zero in the locale's writing", "10,000", "5,000", "0,0190", "120,0\u00B0", "120,0\u00B0",
         kSwedish, "0,000"},
    };
    for (const NeutralCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(neutralCurrentText(c.i1, c.i2, c.i3, c.i1i2, c.i3i1, c.format), c.expected);
    }
}

}  // namespace
}  // namespace pm
