#include "view/live_panel.h"

namespace pm {

LiveReadings liveReadings(std::span<const std::uint8_t> frame, const NumberFormat& format) {
    LiveReadings readings;
    for (int k = 0; k < 3; ++k) {
        readings.u[static_cast<std::size_t>(k)] = voltageText(frame, k, format);
        readings.i[static_cast<std::size_t>(k)] = currentText(frame, k, format);
    }
    for (int k = 0; k < kAngleCount; ++k) {
        readings.phase[static_cast<std::size_t>(k)] = angleText(frame, k, format);
    }
    readings.freq = frequencyText(frame, format);
    return readings;
}

}  // namespace pm
