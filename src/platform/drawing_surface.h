#pragma once

#include <string>

#include "core/colour.h"

namespace pm {

// A picture box the program draws on in its own user coordinates. Every drawing operation goes
// to the surface's persistent image as well as to the screen, so that the picture survives being
// covered and can be printed later.
class DrawingSurface {
  public:
    virtual ~DrawingSurface() = default;

    // User coordinates of the left, top, right and bottom edges. An axis may run either way:
    // top above bottom makes y grow upward.
    virtual void setScale(double left, double top, double right, double bottom) = 0;
    // Line width in pixels for the lines and circles that follow.
    virtual void setDrawWidth(int pixels) = 0;
    virtual void setAutoRedraw(bool on) = 0;
    // Clears the surface to its background colour.
    virtual void cls() = 0;
    virtual void line(double x1, double y1, double x2, double y2, Colour colour) = 0;
    // The radius counts in horizontal user units; the circle is round on screen whatever the
    // aspect of the scale.
    virtual void circle(double cx, double cy, double radius, Colour colour) = 0;
    // Writes one line of text (UTF-8) in the surface's small font, centred on (x, y), on a patch
    // of the background so that it reads over the lines it crosses.
    virtual void text(double x, double y, const std::string& utf8, Colour colour) = 0;
};

}  // namespace pm
