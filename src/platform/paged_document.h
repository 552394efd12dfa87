#pragma once

// A printed document as plain values: pages of text lines, lines, circles and filled boxes, placed
// in millimetres from the top-left corner of the sheet. The program lays its documents out in
// these terms, measuring text through DocumentMeasure; the outside world writes them to a PDF
// file or a printer as they stand.

#include <string>
#include <variant>
#include <vector>

#include "core/colour.h"
#include "platform/files.h"

namespace pm {

// A4 portrait, the sheet every document is laid out on.
constexpr double kSheetWidthMm = 210;
constexpr double kSheetHeightMm = 297;

// Song (Ming) for the text, Hei (sans) for headings, as Chinese forms are set.
enum class Face { Song, Hei };

struct TextStyle {
    double points = 10;
    Face face = Face::Song;
    bool bold = false;
    bool operator==(const TextStyle&) const = default;
};

// One line of text, its top-left corner at (x, top); nothing in it is wrapped any more.
struct PageText {
    double x = 0;
    double top = 0;
    std::string text;  // UTF-8
    TextStyle style;
    Colour colour = kBlack;
};
struct PageLine {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double width = 0.25;  // mm
    Colour colour = kBlack;
};
struct PageCircle {
    double cx = 0, cy = 0, radius = 0;
    double width = 0.25;  // mm
    Colour colour = kBlack;
};
struct PageBox {
    double x = 0, y = 0, width = 0, height = 0;
    Colour fill = kBlack;
};
// Drawn in order: a box painted before a text lies under it.
using PageItem = std::variant<PageText, PageLine, PageCircle, PageBox>;

struct DocumentPage {
    std::vector<PageItem> items;
};

// What the file says of itself (the PDF's title, author and creator; the print job's name).
struct DocumentInfo {
    std::string title;
    std::string author;
    std::string creator;
};

struct PagedDocument {
    DocumentInfo info;
    std::vector<DocumentPage> pages;
};

// The widths and heights of text in the faces documents are written in, in millimetres.
class DocumentMeasure {
  public:
    virtual ~DocumentMeasure() = default;
    virtual double textWidth(const std::string& utf8, const TextStyle& style) = 0;
    // Distance from one line's top to the next one's.
    virtual double lineHeight(const TextStyle& style) = 0;
};

// Where documents go.
class DocumentOutput {
  public:
    virtual ~DocumentOutput() = default;
    virtual DocumentMeasure& measure() = 0;
    // Empty when the faces can write Chinese text, else why not: a document is not made without.
    virtual std::string fontProblem() = 0;
    // Writes the document as a PDF file. The old file of that name is replaced only once the new
    // one is whole: a failed write leaves nothing half written and destroys nothing.
    virtual WriteResult writePdf(const std::string& path, const PagedDocument& document) = 0;
    // Prints the document on the printer the printer dialog set up. Empty when that worked.
    virtual std::string print(const PagedDocument& document) = 0;
};

}  // namespace pm
