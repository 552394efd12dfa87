#pragma once

#include <string>

namespace pm {

class DrawingSurface;
class WindowSnapshot;

// The printer the printer dialog set up, in twips from the top-left corner of the printable
// area, at the printer's default font. A document runs from beginDoc to endDoc; a line that would
// pass the bottom of the page goes on a new page.
class Printer {
  public:
    virtual ~Printer() = default;
    // Starts the document on the printer the dialog chose. Empty when that worked, else why not.
    virtual std::string beginDoc() = 0;
    virtual void setCurrentX(int twips) = 0;
    virtual void setCurrentY(int twips) = 0;
    virtual int currentX() const = 0;
    virtual int currentY() const = 0;
    // Prints the text at the current position, then moves to the start of the next line.
    virtual void printLine(const std::string& text) = 0;
    // Paints the persistent picture of a drawing surface at its own size, top-left at (x, y).
    virtual void paintPicture(const DrawingSurface& picture, int xTwips, int yTwips) = 0;
    // Paints the picture a snapshot took last, at its own size, top-left at (x, y).
    virtual void paintSnapshot(const WindowSnapshot& picture, int xTwips, int yTwips) = 0;
    // Ends the document and hands it to the printer. Empty when that worked, else why not.
    virtual std::string endDoc() = 0;
};

}  // namespace pm
