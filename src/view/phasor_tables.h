#pragma once

#include <array>
#include <cstdint>

namespace pm {

// Tips of a 400-unit phasor for whole degrees 0..180, in drawing units with y growing upward.
// The tips are a fixed table of whole drawing units, corrected by hand in places; they are used
// exactly as stored, never recomputed from sine and cosine, so the diagram matches the meter's own
// display tip for tip.
using PhasorTable = std::array<std::int16_t, 181>;
extern const PhasorTable kPhasorXTable;
extern const PhasorTable kPhasorYTable;

}  // namespace pm
