#pragma once

#include <cmath>

namespace pm {

// Whole degrees, halves to the even neighbour (120.5 gives 120, 121.5 gives 122), the way the
// neutral current and the phasor diagram make an angle whole, whatever the floating-point
// rounding mode happens to be.
inline double roundHalfToEven(double x) {
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

}  // namespace pm
