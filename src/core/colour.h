#pragma once

#include <cstdint>

namespace pm {

// Colours as one number, the form stored files and settings use: red + 256 * green + 65536 * blue.
using Colour = std::uint32_t;
constexpr Colour rgbColour(int red, int green, int blue) {
    return static_cast<Colour>(red) + 256u * static_cast<Colour>(green) +
           65536u * static_cast<Colour>(blue);
}
constexpr int redOf(Colour c) {
    return static_cast<int>(c & 0xFFu);
}
constexpr int greenOf(Colour c) {
    return static_cast<int>((c >> 8) & 0xFFu);
}
constexpr int blueOf(Colour c) {
    return static_cast<int>((c >> 16) & 0xFFu);
}

constexpr Colour kBlack = rgbColour(0, 0, 0);
constexpr Colour kGreen = rgbColour(0, 255, 0);

}  // namespace pm
