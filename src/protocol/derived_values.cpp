#include "protocol/derived_values.h"

#include <cmath>

#include "core/number_text.h"
#include "core/rounding.h"

namespace pm {
namespace {

// A derived value passes through its text and back, so that what follows works with the number
// the user sees rather than with the exact one.
double asShown(double value, int decimals, const NumberFormat& format) {
    return readNumber(fixNumberText(static_cast<float>(value), decimals, format), format);
}

double radians(double degrees) {
    return degrees * kPi / 180.0;
}

}  // namespace

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
