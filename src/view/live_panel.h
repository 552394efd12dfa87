#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "app/window_model.h"
#include "protocol/number_text.h"

namespace pm {

// Rewrites the value labels of the real-time view from one measurement frame: voltages, currents
// and angles first, then the phasor diagram (`redrawDiagram`, which reads those captions), then
// the frequency, the channel powers and the neutral current. The captions are the only store of
// the live readings, and every derived figure is computed from the captions as they stand at that
// point of the update. A field the frame cannot give (an unknown range code, missing bytes)
// leaves its label as it was, and the rest of the update goes on.
void updateRealTimePanel(WindowModel& window, std::span<const std::uint8_t> frame,
                         const NumberFormat& format, const std::function<void()>& redrawDiagram);

}  // namespace pm
