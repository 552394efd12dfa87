#pragma once

namespace pm {

// Positions and sizes in twips (1440 per inch, 15 per pixel at 96 dpi).
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};
constexpr int kTwipsPerPixel = 15;

// Whole pixels at 96 dpi, to the nearest one, for every placement on screen.
constexpr int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

}  // namespace pm
