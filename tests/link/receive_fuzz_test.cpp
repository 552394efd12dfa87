// Whatever arrives on the line, in whatever pieces, for whatever request was sent last, the
// receive handler must neither crash nor leave the state out of its bounds.
#include <gtest/gtest.h>

#include <random>

#include "fakes/rig.h"

namespace pm {
namespace {

using testing::PortSetup;
using testing::Rig;

std::int16_t pickCode(std::mt19937_64& random) {
    static constexpr std::int16_t kCodes[] = {11000, 12000, 13000, 14000};
    // Records far down the table are rare: each one grows the table to thousands of blocks,
    // and the next near one cuts it back.
    switch (random() % 8) {
        case 0:
        case 1:
        case 2:
        case 3:
            return kCodes[random() % 4];
        case 4:
        case 5:
            return static_cast<std::int16_t>(1 + random() % 40);  // records near the start
        case 6:
            if (random() % 256 == 0) {
                return static_cast<std::int16_t>(9990 + random() % 11);  // near the end
            }
            return static_cast<std::int16_t>(-32768 + random() % 32768);  // no request at all
        default: {
            const auto code = static_cast<std::int16_t>(10001 + random() % 22767);  // unknown
            return code;
        }
    }
}

TEST(ReceiveFuzz, ArbitraryBytesInArbitraryPiecesForEveryRequest) {
    Rig rig;
    rig.serial.setPort(1, PortSetup::MuteDevice);
    rig.form.Form_Load();
    rig.scheduler.advanceBy(500);
    ASSERT_TRUE(rig.serial.portOpen());

    std::mt19937_64 random(20261207);
    constexpr int kInputs = 1'000'000;
    long long events = 0;
    for (int input = 0; input < kInputs; ++input) {
        rig.s().linked = (random() & 1) != 0;
        rig.form.sendRequest(pickCode(random));
        // Mostly replies of about the armed length, sometimes anything up to twice a frame.
        const std::size_t length = (random() % 4 == 0) ? random() % 80 : random() % 42;
        std::vector<std::uint8_t> bytes(length);
        for (auto& b : bytes) {
            b = static_cast<std::uint8_t>(random());
        }
        std::size_t at = 0;
        while (at < bytes.size()) {
            const std::size_t piece = 1 + random() % (bytes.size() - at);
            const int before = rig.serial.receiveEvents();
            rig.serial.arrive({bytes.begin() + static_cast<std::ptrdiff_t>(at),
                               bytes.begin() + static_cast<std::ptrdiff_t>(at + piece)});
            if (rig.serial.receiveEvents() != before) {
                ++events;
                ASSERT_EQ(rig.s().timeoutTicks, 0);
                ASSERT_EQ(rig.serial.inBufferCount(), 0);
            }
            at += piece;
        }
        rig.serial.clearInBuffer();
        ASSERT_GE(rig.s().recordCount, 0);
        ASSERT_LE(rig.s().recordCount, 10000);
        ASSERT_EQ(rig.grid.rows() % 9, 0);
        if (input % 4096 == 0) {
            rig.surface.calls.clear();
            rig.serial.clearWrites();
            rig.s().timeoutTicks = 3;
        }
    }
    EXPECT_GT(events, kInputs / 4);
    for (const Label* label : rig.w().valueLabels()) {
        EXPECT_FALSE(label->caption().empty()) << label->name();
    }
}

}  // namespace
}  // namespace pm
