#pragma once

// The measurement frame: one set of readings, the reply to a live-data request and to a
// stored-record request alike. 39 bytes, no header, no length, no checksum; words are 16 bits,
// low byte first.
//
//   offset  size  field
//    0..5   3x2   U1, U2, U3 raw, scaled by the voltage range code of the channel
//    6..11  3x2   I1, I2, I3 raw, scaled by the current range code of the channel
//   12..14  3x1   voltage range codes: 1 = raw / 100 V (2 decimals), 2 = raw / 10 V (1),
//                 3 = raw V (0)
//   15..17  3x1   current range codes: 2 = raw / 10000 A (4 decimals), 3 = raw / 1000 A (3),
//                 4 = raw / 100 A (2)
//   18..35  9x2   angles in tenths of a degree: U1U2 U2U3 U3U1 I1I2 I2I3 I3I1 U1I1 U2I2 U3I3
//   36..37  2     frequency in hundredths of a hertz
//   38      1     mode byte (stored records: 2 = the voltage-to-voltage angles are not available)
//
// Every shown number goes through fixNumberText.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/number_format.h"

namespace pm {

constexpr std::size_t kFrameLength = 39;
constexpr std::size_t kModeByteOffset = 38;
constexpr int kAngleCount = 9;

// Angle names in frame order, used alike for labels, table captions and file texts.
constexpr std::array<std::string_view, kAngleCount> kAngleNames = {
    "U1U2", "U2U3", "U3U1", "I1I2", "I2I3", "I3I1", "U1I1", "U2I2", "U3I3"};

constexpr std::string_view kDegreeSign = "\u00B0";

// The 16-bit word at `offset`, or nothing when the frame is too short to hold it. A word with its
// top bit set is taken as the unsigned number it spells (up to 65535) rather than as a negative
// one: no reading is ever negative, and a value shown too large is a less misleading sign of a
// bad word than a minus.
std::optional<std::uint16_t> frameWord(std::span<const std::uint8_t> frame, std::size_t offset);

// Measured quantities as shown. Nothing comes back for a range code outside the table of the
// quantity, for a channel or angle index out of range, and for bytes the frame does not hold.
std::optional<std::string> voltageText(std::span<const std::uint8_t> frame, int channel,
                                       const NumberFormat& format);
std::optional<std::string> currentText(std::span<const std::uint8_t> frame, int channel,
                                       const NumberFormat& format);
std::optional<std::string> angleText(std::span<const std::uint8_t> frame, int index,
                                     const NumberFormat& format);  // one decimal and "°"
std::optional<std::string> frequencyText(std::span<const std::uint8_t> frame,
                                         const NumberFormat& format);

// The same quantities as numbers (volts, amperes, degrees, hertz), for computing with them; the
// same cases give nothing.
std::optional<double> voltageValue(std::span<const std::uint8_t> frame, int channel);
std::optional<double> currentValue(std::span<const std::uint8_t> frame, int channel);
std::optional<double> angleValue(std::span<const std::uint8_t> frame, int index);
std::optional<double> frequencyValue(std::span<const std::uint8_t> frame);
std::optional<std::uint8_t> modeByte(std::span<const std::uint8_t> frame);

// In a stored record taken in this mode the meter had no voltage-to-voltage angles.
constexpr std::uint8_t kModeWithoutVoltageAngles = 2;

}  // namespace pm
