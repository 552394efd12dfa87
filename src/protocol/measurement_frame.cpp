#include "protocol/measurement_frame.h"

#include <cmath>

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

// A derived value passes through its text and back, so that what follows works with the number
// the user sees rather than with the exact one.
double asShown(double value, int decimals, const NumberFormat& format) {
    return readNumber(fixNumberText(static_cast<float>(value), decimals, format), format);
}

double radians(double degrees) {
    return degrees * kPi / 180.0;
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

double roundHalfToEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction < 0.5) {
        return below;
    }
    if (fraction > 0.5) {
        return below + 1.0;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

bool channelIsActive(std::string_view uText, std::string_view iText, const NumberFormat& format) {
    return readNumber(uText, format) >= kActiveVolts && readNumber(iText, format) >= kActiveAmperes;
}

ChannelPowerTexts channelPowers(std::string_view uText, std::string_view iText,
                                std::string_view phiText, const NumberFormat& format) {
    // The idle texts go through the formatter too: written literally as "1.000" they would read
    // as one thousand wherever the point is the digit-group separator.
    if (!channelIsActive(uText, iText, format)) {
        const std::string zero = fixNumberText(0.0f, 4, format);
        return {zero, fixNumberText(1.0f, 3, format), zero, zero};
    }
    const double u = readNumber(uText, format);
    const double i = readNumber(iText, format);
    ChannelPowerTexts out;
    out.s = fixNumberText(static_cast<float>(u * i / 1000.0), 4, format);
    const double s = readNumber(out.s, format);

    // The power factor's angle is made whole with halves away from zero (60.5 gives 61), unlike
    // the neutral current's, which rounds halves to even.
    const double phi = asShown(readNumber(phiText, format), 0, format);
    out.pf = fixNumberText(static_cast<float>(std::cos(radians(phi))), 3, format);
    out.p = fixNumberText(static_cast<float>(std::fabs(readNumber(out.pf, format)) * s), 4, format);
    const double sine = asShown(std::sin(radians(phi)), 3, format);
    out.q = fixNumberText(static_cast<float>(std::fabs(sine) * s), 4, format);
    return out;
}

std::string neutralCurrentText(std::string_view i1, std::string_view i2, std::string_view i3,
                               std::string_view i1i2Angle, std::string_view i3i1Angle,
                               const NumberFormat& format) {
    const double c1 = readNumber(i1, format);
    const double c2 = readNumber(i2, format);
    const double c3 = readNumber(i3, format);
    if (c1 < kActiveAmperes || c2 < kActiveAmperes || c3 < kActiveAmperes) {
        return fixNumberText(0.0f, 3, format);
    }
    // I2 lies at I1I2 from I1, I3 at 360 - I3I1 (the angle from I3 back to I1).
    const double a = roundHalfToEven(readNumber(i1i2Angle, format));
    const double b = roundHalfToEven(360.0 - readNumber(i3i1Angle, format));
    const double ca = asShown(std::cos(radians(a)), 3, format);
    const double cb = asShown(std::cos(radians(b)), 3, format);
    const double sa = asShown(std::sin(radians(a)), 3, format);
    const double sb = asShown(std::sin(radians(b)), 3, format);
    const double re = asShown(c1 + c2 * ca + c3 * cb, 3, format);
    const double im = asShown(c2 * sa + c3 * sb, 3, format);
    return fixNumberText(static_cast<float>(std::sqrt(re * re + im * im)), 3, format);
}

}  // namespace pm
