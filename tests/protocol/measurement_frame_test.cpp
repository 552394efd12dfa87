#include "protocol/measurement_frame.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "fakes/test_frames.h"

namespace pm {

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

}  // namespace
}  // namespace pm
