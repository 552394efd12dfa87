#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/number_format.h"
#include "protocol/measurement_frame.h"

namespace pm {

// The measured values of one frame as the real-time panel shows them. A field the frame cannot
// give (an unknown range code, missing bytes) has no text, and its label keeps what it showed.
struct LiveReadings {
    std::array<std::optional<std::string>, 3> u;
    std::array<std::optional<std::string>, 3> i;
    std::array<std::optional<std::string>, kAngleCount> phase;
    std::optional<std::string> freq;
};

LiveReadings liveReadings(std::span<const std::uint8_t> frame, const NumberFormat& format);

}  // namespace pm
