// Random frames, whole and cut short, through the decoding and the panel update: nothing may
// crash or read out of bounds (the sanitizer build checks that), and every label must end up
// either holding a well-formed number or the text it had before.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/measurement_frame.h"
#include "view/live_panel.h"

namespace pm {
namespace {

// Heap blocks of exactly the frame's length, so that a read one byte too far is an
// AddressSanitizer error rather than a read of spare vector capacity.
class RandomFrame {
  public:
    RandomFrame(std::mt19937& random, std::size_t length) : length_(length) {
        bytes_ = std::make_unique<std::uint8_t[]>(length_ == 0 ? 1 : length_);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> code(0, 5);
        for (std::size_t k = 0; k < length_; ++k) {
            // Mostly plausible range codes, so that decoding goes deep; any byte now and then.
            const bool codeByte = k >= 12 && k < 18;
            bytes_[k] = static_cast<std::uint8_t>(codeByte && byte(random) < 224 ? code(random)
                                                                                 : byte(random));
        }
    }
    std::span<const std::uint8_t> span() const { return {bytes_.get(), length_}; }

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t length_;
};

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

TEST(FrameFuzz, RandomFramesLeaveEveryLabelReadable) {
    const NumberFormat formats[] = {{}, {",", "\u00A0", {3}}, {",", ".", {3}}};
    std::mt19937 random(0x39F7A3u);
    std::uniform_int_distribution<std::size_t> shortLength(0, kFrameLength - 1);
    const std::string degree(kDegreeSign);
    WindowModel w;
    int failures = 0;
    int redraws = 0;
    const int kFrames = 60'000;
    for (int n = 0; n < kFrames && failures < 5; ++n) {
        const NumberFormat& format = formats[n % 3];
        const std::size_t length = n % 8 == 0 ? shortLength(random) : kFrameLength;
        const RandomFrame frame(random, length);
        const std::span<const std::uint8_t> bytes = frame.span();

        std::vector<std::string> before;
        for (const Label* label : w.valueLabels()) {
            before.push_back(label->caption());
        }
        updateRealTimePanel(w, bytes, format, [&redraws] { ++redraws; });

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
