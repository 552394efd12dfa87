#include "protocol/measurement_frame.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "protocol/frame_bytes.h"

namespace pm {

void PrintTo(const ChannelPowerTexts& t, std::ostream* os) {
    *os << "S " << t.s << ", PF " << t.pf << ", P " << t.p << ", Q " << t.q;
}

namespace {

using testing::balancedFrame;
using testing::firstBytes;
using testing::Frame;
using testing::withByte;
using testing::withWord;

const NumberFormat kPlain{};
const NumberFormat kSwedish{",", "\u00A0", {3}};
const NumberFormat kGerman{",", ".", {3}};
const NumberFormat kEnglish{".", ",", {3}};

using Decoder = std::function<std::optional<std::string>(const Frame&)>;

Decoder voltage(int channel, const NumberFormat& format = kPlain) {
    return [=](const Frame& f) { return voltageText(f, channel, format); };
}
Decoder current(int channel) {
    return [=](const Frame& f) { return currentText(f, channel, kPlain); };
}
Decoder angle(int index) {
    return [=](const Frame& f) { return angleText(f, index, kPlain); };
}
Decoder frequency(const NumberFormat& format = kPlain) {
    return [=](const Frame& f) { return frequencyText(f, format); };
}

struct DecodeCase {
    const char* name;
    Frame frame;
    Decoder decode;
    std::optional<std::string> expected;
};

TEST(MeasurementFrame, DecodesMeasuredFieldsByRangeCode) {
    const Frame f = balancedFrame();
    const DecodeCase cases[] = {
        {"U1 code 1", withWord(f, 0, 0x59D8), voltage(0), "230.00"},
        {"U1 code 2", withByte(withWord(f, 0, 0x08FC), 12, 2), voltage(0), "230.0"},
        {"U1 code 3", withByte(withWord(f, 0, 0x00E6), 12, 3), voltage(0), "230"},
        {"U1 code 0", withByte(f, 12, 0), voltage(0), std::nullopt},
        {"U1 code 4", withByte(f, 12, 4), voltage(0), std::nullopt},
        {"U3 uses its own word and code", withByte(withWord(f, 4, 1234), 14, 2), voltage(2),
         "123.4"},
        {"U3 code is not U1's", withByte(f, 14, 0), voltage(0), "230.00"},
        {"I1 code 3", f, current(0), "5.000"},
        {"I1 code 2", withByte(f, 15, 2), current(0), "0.5000"},
        {"I1 code 4", withByte(f, 15, 4), current(0), "50.00"},
        {"I1 code 1 is no current code", withByte(f, 15, 1), current(0), std::nullopt},
        {"I1 code 5", withByte(f, 15, 5), current(0), std::nullopt},
        {"I2 word and code", withByte(withWord(f, 8, 190), 16, 2), current(1), "0.0190"},
        {"U1U2", f, angle(0), "120.0\u00B0"},
        {"U1I1", f, angle(6), "30.0\u00B0"},
        {"U3I3 reads the last angle word", withWord(f, 34, 32767), angle(8), "3276.7\u00B0"},
        {"frequency", f, frequency(), "50.00"},
        {"frequency with a comma", f, frequency(kSwedish), "50,00"},
        {"grouped voltage", withByte(withWord(f, 0, 12345), 12, 2), voltage(0, kGerman), "1.234,5"},
        {"top bit set reads unsigned", withByte(withWord(f, 0, 0xFFFF), 12, 3), voltage(0),
         "65535"},
        {"top bit set in an angle", withWord(f, 18, 0x8000), angle(0), "3276.8\u00B0"},
        {"channel out of range", f, voltage(3), std::nullopt},
        {"negative channel", f, current(-1), std::nullopt},
        {"angle out of range", f, angle(9), std::nullopt},
        {"short: U1 and its code present", firstBytes(f, 13), voltage(0), "230.00"},
        {"short: U2's code missing", firstBytes(f, 13), voltage(1), std::nullopt},
        {"short: last current code missing", firstBytes(f, 17), current(2), std::nullopt},
        {"short: half of the last angle", firstBytes(f, 35), angle(8), std::nullopt},
        {"short: whole last angle", firstBytes(f, 36), angle(8), "30.0\u00B0"},
        {"short: no frequency", firstBytes(f, 37), frequency(), std::nullopt},
        {"empty frame", Frame{}, voltage(0), std::nullopt},
        {"mode byte missing changes nothing", firstBytes(f, 38), frequency(), "50.00"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.decode(c.frame), c.expected);
    }
}

TEST(MeasurementFrame, WordsAreLowByteFirstAndNeverReadPastTheEnd) {
    const Frame bytes = {0x34, 0x12, 0xFF};
    EXPECT_EQ(frameWord(bytes, 0), 0x1234);
    EXPECT_EQ(frameWord(bytes, 1), 0xFF12);
    EXPECT_EQ(frameWord(bytes, 2), std::nullopt);
    EXPECT_EQ(frameWord(bytes, 3), std::nullopt);
    EXPECT_EQ(frameWord(bytes, static_cast<std::size_t>(-1)), std::nullopt);
}

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

TEST(RoundHalfToEven, MakesHalvesEven) {
    const struct {
        double in, out;
    } cases[] = {{60.5, 60}, {61.5, 62}, {120.5, 120}, {121.5, 122}, {0.5, 0},    {-0.5, 0},
                 {-1.5, -2}, {2.4, 2},   {2.6, 3},     {-2.6, -3},   {359.5, 360}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(roundHalfToEven(c.in), c.out);
    }
}

}  // namespace
}  // namespace pm
