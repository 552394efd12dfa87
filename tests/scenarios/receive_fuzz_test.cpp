// Whatever arrives on the line, in whatever pieces, for whatever request was sent last, the
// receive handler must neither crash nor leave the state out of its bounds.
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/number_text.h"
#include "fakes/rig.h"
#include "fakes/test_frames.h"
#include "protocol/measurement_frame.h"

namespace pm {
namespace {

using testing::PortSetup;
using testing::RandomFrame;
using testing::Rig;

// The whole text is one number as fixNumberText writes it: an optional "-", digit groups joined
// by the group separator, the decimal symbol and digits, then `suffix`.
bool isNumberText(std::string_view text, const NumberFormat& format, std::string_view suffix) {
    if (text.size() < suffix.size() || text.substr(text.size() - suffix.size()) != suffix) {
        return false;
    }
    text.remove_suffix(suffix.size());
    if (text.starts_with('-')) {
        text.remove_prefix(1);
    }
    auto digitRun = [&text] {
        std::size_t n = 0;
        while (n < text.size() && text[n] >= '0' && text[n] <= '9') {
            ++n;
        }
        text.remove_prefix(n);
        return n;
    };
    if (digitRun() == 0) {
        return false;
    }
    while (!format.groupSeparator.empty() && text.starts_with(format.groupSeparator)) {
        text.remove_prefix(format.groupSeparator.size());
        if (digitRun() == 0) {
            return false;
        }
    }
    if (text.starts_with(format.decimalSymbol)) {
        text.remove_prefix(format.decimalSymbol.size());
        if (digitRun() == 0) {
            return false;
        }
    }
    return text.empty();
}

bool fieldPresent(std::span<const std::uint8_t> frame, std::size_t codeAt, std::size_t wordAt,
                  int firstCode) {
    return codeAt < frame.size() && frame[codeAt] >= firstCode && frame[codeAt] <= firstCode + 2 &&
           wordAt + 1 < frame.size();
}

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

// Random frames, whole and cut short, through the live update: every label must end up either
// holding a well-formed number or the text it had before.
TEST(ReceiveFuzz, RandomLiveFramesLeaveEveryLabelReadable) {
    const NumberFormat formats[] = {{}, {",", "\u00A0", {3}}, {",", ".", {3}}};
    std::mt19937 random(0x39F7A3u);
    std::uniform_int_distribution<std::size_t> shortLength(0, kFrameLength - 1);
    const std::string degree(kDegreeSign);
    Rig rigs[] = {Rig(formats[0]), Rig(formats[1]), Rig(formats[2])};
    for (Rig& rig : rigs) {
        rig.form.Form_Load();
    }
    int failures = 0;
    int redraws = 0;
    const int kFrames = 60'000;
    for (int n = 0; n < kFrames && failures < 5; ++n) {
        const NumberFormat& format = formats[n % 3];
        Rig& rig = rigs[n % 3];
        WindowModel& w = rig.w();
        const std::size_t length = n % 8 == 0 ? shortLength(random) : kFrameLength;
        const RandomFrame frame(random, length);
        const std::span<const std::uint8_t> bytes = frame.span();

        std::vector<std::string> before;
        for (const Label* label : w.valueLabels()) {
            before.push_back(label->caption());
        }
        rig.s().rxBytes.assign(bytes.begin(), bytes.end());
        rig.surface.calls.clear();
        rig.form.updateLivePanel();
        redraws += rig.surface.calls.empty() ? 0 : rig.surface.calls.front().op == "setScale";

        auto check = [&](const Label* label, bool updated, std::string_view suffix,
                         const std::string& old) {
            const bool ok =
                updated ? isNumberText(label->caption(), format, suffix) : label->caption() == old;
            if (!ok) {
                ++failures;
                ADD_FAILURE() << "frame " << n << " length " << length << ": " << label->name()
                              << "(" << label->index() << ") shows \"" << label->caption()
                              << "\", before \"" << old << "\"";
            }
        };
        const std::vector<Label*> labels = w.valueLabels();
        for (std::size_t k = 0; k < labels.size(); ++k) {
            const Label* label = labels[k];
            const std::size_t c = static_cast<std::size_t>(label->index());
            bool updated = true;  // derived labels are always rewritten
            std::string_view suffix;
            if (label->name() == "u") {
                updated = fieldPresent(bytes, 12 + c, 2 * c, 1);
            } else if (label->name() == "i") {
                updated = fieldPresent(bytes, 15 + c, 6 + 2 * c, 2);
            } else if (label->name() == "phase") {
                updated = 18 + 2 * c + 1 < bytes.size();
                suffix = degree;
            } else if (label->name() == "freq") {
                updated = bytes.size() >= 38;
            }
            check(label, updated, suffix, before[k]);
        }

        // What the derived figures mean, whatever the bytes: |PF| <= 1, 0 <= P, Q <= S, In >= 0.
        for (int k = 0; k < 3; ++k) {
            const double s = readNumber(w.s[k]->caption(), format);
            const double pf = readNumber(w.pf[k]->caption(), format);
            const double p = readNumber(w.p[k]->caption(), format);
            const double q = readNumber(w.q[k]->caption(), format);
            if (!(pf >= -1 && pf <= 1 && p >= 0 && p <= s && q >= 0 && q <= s)) {
                ++failures;
                ADD_FAILURE() << "frame " << n << " channel " << k + 1 << ": S " << s << " PF "
                              << pf << " P " << p << " Q " << q;
            }
        }
        EXPECT_GE(readNumber(w.isum->caption(), format), 0.0);
    }
    EXPECT_EQ(redraws, kFrames);
}

}  // namespace
}  // namespace pm
