#pragma once

// Angles and phasors of the wiring check. A phasor's direction is its clockwise angle from a
// reference in degrees ("lag"), as the meter measures angles; the two wrappings are the only
// ones the check and its diagram use.

#include <cmath>
#include <complex>
#include <numbers>

namespace pm {

using Phasor = std::complex<double>;

// Into [0, 360).
inline double wrapTo360(double degrees) {
    const double r = std::fmod(degrees, 360.0);
    return r < 0 ? r + 360.0 : r;
}

// Into (-180, 180]: the signed difference of two directions.
inline double wrapTo180(double degrees) {
    const double r = wrapTo360(degrees);
    return r > 180.0 ? r - 360.0 : r;
}

// A phasor of this size pointing `lag` degrees clockwise from the reference.
inline Phasor phasor(double magnitude, double lag) {
    return std::polar(magnitude, -lag * std::numbers::pi / 180.0);
}

inline double lagOf(Phasor z) {
    return wrapTo360(-std::arg(z) * 180.0 / std::numbers::pi);
}

// Active power of a voltage and a current phasor.
inline double power(Phasor u, Phasor i) {
    return (u * std::conj(i)).real();
}

}  // namespace pm
