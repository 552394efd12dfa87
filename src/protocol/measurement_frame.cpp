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

struct Scaled {
    std::uint16_t raw;
    Scale scale;
    double value() const { return raw / scale.divisor; }
};

std::optional<Scaled> ranged(std::span<const std::uint8_t> frame, int channel, std::size_t words,
                             std::size_t codes, std::optional<Scale> (*scaleOf)(std::uint8_t)) {
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
    return Scaled{*raw, *scale};
}

std::optional<Scaled> angleWord(std::span<const std::uint8_t> frame, int index) {
    if (index < 0 || index >= kAngleCount) {
        return std::nullopt;
    }
    const std::optional<std::uint16_t> raw =
        frameWord(frame, kAngleWords + 2 * static_cast<std::size_t>(index));
    if (!raw) {
        return std::nullopt;
    }
    return Scaled{*raw, Scale{10.0, 1}};
}

std::optional<Scaled> frequencyWord(std::span<const std::uint8_t> frame) {
    const std::optional<std::uint16_t> raw = frameWord(frame, kFrequencyWord);
    if (!raw) {
        return std::nullopt;
    }
    return Scaled{*raw, Scale{100.0, 2}};
}

std::optional<std::string> textOf(std::optional<Scaled> scaled, const NumberFormat& format) {
    if (!scaled) {
        return std::nullopt;
    }
    return scaledText(scaled->raw, scaled->scale, format);
}

std::optional<double> valueOf(std::optional<Scaled> scaled) {
    if (!scaled) {
        return std::nullopt;
    }
    return scaled->value();
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
    return textOf(ranged(frame, channel, kVoltageWords, kVoltageCodes, voltageScale), format);
}

std::optional<std::string> currentText(std::span<const std::uint8_t> frame, int channel,
                                       const NumberFormat& format) {
    return textOf(ranged(frame, channel, kCurrentWords, kCurrentCodes, currentScale), format);
}

std::optional<std::string> angleText(std::span<const std::uint8_t> frame, int index,
                                     const NumberFormat& format) {
    std::optional<std::string> text = textOf(angleWord(frame, index), format);
    if (text) {
        *text += kDegreeSign;
    }
    return text;
}

std::optional<std::string> frequencyText(std::span<const std::uint8_t> frame,
                                         const NumberFormat& format) {
    return textOf(frequencyWord(frame), format);
}

std::optional<double> voltageValue(std::span<const std::uint8_t> frame, int channel) {
    return valueOf(ranged(frame, channel, kVoltageWords, kVoltageCodes, voltageScale));
}

std::optional<double> currentValue(std::span<const std::uint8_t> frame, int channel) {
    return valueOf(ranged(frame, channel, kCurrentWords, kCurrentCodes, currentScale));
}

std::optional<double> angleValue(std::span<const std::uint8_t> frame, int index) {
    return valueOf(angleWord(frame, index));
}

std::optional<double> frequencyValue(std::span<const std::uint8_t> frame) {
    return valueOf(frequencyWord(frame));
}

std::optional<std::uint8_t> modeByte(std::span<const std::uint8_t> frame) {
    return frameByte(frame, kModeByteOffset);
}

}  // namespace pm
