// Random frames, whole and cut short, through the decoding: nothing may crash or read out of
// bounds (the sanitizer build checks that).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/test_frames.h"
#include "protocol/measurement_frame.h"

namespace pm {
namespace {

using testing::RandomFrame;

TEST(FrameFuzz, DecodingAnyFrameStaysInBounds) {
    std::mt19937 random(0xC0FFEEu);
    std::uniform_int_distribution<std::size_t> shortLength(0, kFrameLength - 1);
    const NumberFormat format;
    std::size_t decoded = 0;
    for (int n = 0; n < 300'000; ++n) {
        const RandomFrame frame(random, n % 4 == 0 ? shortLength(random) : kFrameLength);
        const std::span<const std::uint8_t> bytes = frame.span();
        for (int k = 0; k < 3; ++k) {
            decoded += voltageText(bytes, k, format).has_value();
            decoded += currentText(bytes, k, format).has_value();
        }
        for (int k = 0; k < kAngleCount; ++k) {
            decoded += angleText(bytes, k, format).has_value();
        }
        decoded += frequencyText(bytes, format).has_value();
    }
    EXPECT_GT(decoded, 0u);
}

}  // namespace
}  // namespace pm
