#include "protocol/request_frames.h"

#include <gtest/gtest.h>

namespace pm {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RequestFrames, FrameAndArmedLengthPerCode) {
    struct Case {
        const char* name;
        std::int16_t code;
        Bytes frame;
        int armed;
    };
    const ClockFields clock{26, 12, 6, 3, 5};
    const Case cases[] = {
        {"handshake", 11000, {0xAA, 0xF8, 0x2A}, 3},
        {"record count", 12000, {0xAA, 0xE0, 0x2E}, 2},
        {"live data", 13000, {0xAA, 0xC8, 0x32}, 39},
        {"clock set, 6 December 2026 03:05", 14000, {0xBB, 0x1A, 0x0C, 0x06, 0x03, 0x05}, 3},
        {"first record", 1, {0xAA, 0x01, 0x00}, 39},
        {"record 300", 300, {0xAA, 0x2C, 0x01}, 39},
        {"last record", 10000, {0xAA, 0x10, 0x27}, 39},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(requestFrame(c.code, clock), c.frame);
        EXPECT_EQ(replyLength(c.code), c.armed);
    }
}

TEST(RequestFrames, ClockYearMustFitItsByte) {
    struct Case {
        int year;
        bool fits;
    };
    for (const Case c : {Case{1999, false}, Case{2000, true}, Case{2026, true}, Case{2255, true},
                         Case{2256, false}}) {
        EXPECT_EQ(clockYearFits(c.year), c.fits) << c.year;
    }
}

}  // namespace
}  // namespace pm
