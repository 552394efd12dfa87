#include "protocol/measurement_frame.h"

#include "core/number_text.h"

namespace pm {
namespace {

constexpr std::size_t kVoltageWords = 0;
constexpr std::size_t kCurrentWords = 6;
constexpr std::size_t kVoltageCodes = 12;
constexpr std::size_t kCurrentCodes = 15;
constexpr std::size_t kAngleWords = 18;
constexpr std::size_t kFrequencyWord = 36;

struct Scale {
    double divisor;
    int decimals;
};

std::optional<Scale> voltageScale(std::uint8_t code) {
    switch (code) {
        case 1:
            return Scale{100.0, 2};
        case 2:
            return Scale{10.0, 1};
        case 3:
            return Scale{1.0, 0};
        default:
            return std::nullopt;
    }
}

// Current codes start at 2: the same code number means different scales for the two quantities.
std::optional<Scale> currentScale(std::uint8_t code) {
    switch (code) {
        case 2:
            return Scale{10000.0, 4};
        case 3:
            return Scale{1000.0, 3};
        case 4:
            return Scale{100.0, 2};
        default:
            return std::nullopt;
    }
}

std::optional<std::uint8_t> frameByte(std::span<const std::uint8_t> frame, std::size_t offset) {
    if (offset >= frame.size()) {
        return std::nullopt;
    }
    return frame[offset];
}

std::string scaledText(std::uint16_t raw, Scale scale, const NumberFormat& format) {
    return fixNumberText(static_cast<float>(raw / scale.divisor), scale.decimals, format);
}

std::optional<std::string> rangedText(std::span<const std::uint8_t> frame, int channel,
                                      std::size_t words, std::size_t codes,
                                      std::optional<Scale> (*scaleOf)(std::uint8_t),
                                      const NumberFormat& format) {
    if (channel < 0 || channel > 2) {
        return std::nullopt;
    }
    const auto k = static_cast<std::size_t>(channel);
    const std::optional<std::uint8_t> code = frameByte(frame, codes + k);
    if (!code) {
        return std::nullopt;
    }
    const std::optional<Scale> scale = scaleOf(*code);
    const std::optional<std::uint16_t> raw = frameWord(frame, words + 2 * k);
    if (!scale || !raw) {
        return std::nullopt;
    }
    return scaledText(*raw, *scale, format);
}

}  // namespace

std::optional<std::uint16_t> frameWord(std::span<const std::uint8_t> frame, std::size_t offset) {
    if (offset >= frame.size() || frame.size() - offset < 2) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(frame[offset + 1] * 256 + frame[offset]);
}

std::optional<std::string> voltageText(std::span<const std::uint8_t> frame, int channel,
                                       const NumberFormat& format) {
    return rangedText(frame, channel, kVoltageWords, kVoltageCodes, voltageScale, format);
}

std::optional<std::string> currentText(std::span<const std::uint8_t> frame, int channel,
                                       const NumberFormat& format) {
    return rangedText(frame, channel, kCurrentWords, kCurrentCodes, currentScale, format);
}

std::optional<std::string> angleText(std::span<const std::uint8_t> frame, int index,
                                     const NumberFormat& format) {
    if (index < 0 || index >= kAngleCount) {
        return std::nullopt;
    }
    const std::optional<std::uint16_t> raw =
        frameWord(frame, kAngleWords + 2 * static_cast<std::size_t>(index));
    if (!raw) {
        return std::nullopt;
    }
    return scaledText(*raw, Scale{10.0, 1}, format) + std::string(kDegreeSign);
}

std::optional<std::string> frequencyText(std::span<const std::uint8_t> frame,
                                         const NumberFormat& format) {
    const std::optional<std::uint16_t> raw = frameWord(frame, kFrequencyWord);
    if (!raw) {
        return std::nullopt;
    }
    return scaledText(*raw, Scale{100.0, 2}, format);
}

}  // namespace pm
