#pragma once

#include <string>

namespace pm {

struct FontSpec {
    std::string family;
    double points = 0;
    bool bold = false;
    bool operator==(const FontSpec&) const = default;
};

// The one typeface the window is drawn in, by the name its design gives it (a Song face); the Qt
// layer maps the name onto a face this system has.
inline constexpr const char* kSongFamily = "宋体";

inline FontSpec songFont(double points, bool bold) {
    return FontSpec{kSongFamily, points, bold};
}

}  // namespace pm
