#pragma once

// Laying a document out on A4 sheets: wrapping text to a width, rows of form fields with a rule
// to write on, ruled tables, and a flow that starts a new sheet when the next part does not fit.
// Everything is placed as plain page items (platform/paged_document.h); text is measured through
// DocumentMeasure, so a test can lay out with any metrics.

#include <string>
#include <vector>

#include "platform/drawing_surface.h"
#include "platform/paged_document.h"

namespace pm {

// Splits `text` into lines no wider than `width` mm. A line breaks after any Chinese character and
// at the blanks between words of Latin letters and digits; a word wider than the line breaks
// where it must. Chinese closing punctuation stays on the line of the character before it, and
// "\n" in the text ends a line. An empty text is one empty line.
std::vector<std::string> wrapText(const std::string& text, double width, const TextStyle& style,
                                  DocumentMeasure& measure);

// A field of a form: its label ("户名") and value. A blank value leaves the rule empty, to be
// filled in by hand. `share` is the field's part of the row's width.
struct FormField {
    std::string label;
    std::string value;
    double share = 1;
};

// One cell of a ruled table.
struct TableCell {
    std::string text;
    int span = 1;  // columns it covers
};
using TableRow = std::vector<TableCell>;

// A flow of parts down the sheets. Each part is placed whole on one sheet: a part that does not
// fit below what is already on the sheet starts the next one.
class PageFlow {
  public:
    // The margins of every sheet, in mm; `reservedBottom` is kept free above the bottom margin
    // for the footer.
    struct Margins {
        double left = 20;
        double top = 15;
        double right = 15;
        double bottom = 12;
        double reservedBottom = 8;
    };
    PageFlow(DocumentMeasure& measure, Margins margins);

    DocumentMeasure& measure() { return measure_; }
    double left() const { return margins_.left; }
    double right() const { return kSheetWidthMm - margins_.right; }
    double width() const { return right() - left(); }
    double y() const { return y_; }

    // Starts a new sheet unless `height` fits on this one.
    void keep(double height);
    void skip(double height) { y_ += height; }

    // Parts placed at the flow's position, which then moves below them.
    void centredLine(const std::string& text, const TextStyle& style);
    // A heading, kept on one sheet with the `following` mm of what comes after it (at least two
    // lines of text).
    void heading(const std::string& text, double following = 0);
    void fieldRow(const std::vector<FormField>& fields);
    // A row of fields side by side in the box from x of `width`; returns the height it takes.
    // Places them only where `place`.
    double fieldsAt(double x, double top, double width, const std::vector<FormField>& fields,
                    bool place);
    // Column widths as shares of the whole width; the first row is the heading row.
    void table(const std::vector<double>& shares, const std::vector<TableRow>& rows,
               const TextStyle& style);
    void add(PageItem item) { pages_.back().items.push_back(std::move(item)); }
    // The sheets, each with `footer(n, count)` placed at its bottom as three texts: left, centre
    // and right of the line.
    struct Footer {
        std::string left, centre, right;
    };
    template <typename MakeFooter>
    std::vector<DocumentPage> finish(MakeFooter footer) {
        const int count = static_cast<int>(pages_.size());
        for (int n = 0; n < count; ++n) {
            placeFooter(pages_[static_cast<std::size_t>(n)], footer(n + 1, count));
        }
        return std::move(pages_);
    }

    static constexpr TextStyle kBody{10, Face::Song, false};
    static constexpr TextStyle kLabel{10, Face::Hei, false};
    static constexpr TextStyle kSmall{8, Face::Song, false};
    static constexpr TextStyle kTable{9, Face::Song, false};

  private:
    // A field's label and its value wrapped on a rule, in the box from x of `width`; returns the
    // height it takes, and places it only where `place`.
    double field(double x, double top, double width, const FormField& field, bool place);
    void placeFooter(DocumentPage& page, const Footer& footer);
    // Room left on the current sheet.
    double room() const;
    void newSheet();

    DocumentMeasure& measure_;
    Margins margins_;
    std::vector<DocumentPage> pages_;
    double y_ = 0;
};

// A drawing surface that puts what is drawn on it into a square of a page, as vector items in
// colours that read on white paper: for drawing the diagrams the window shows onto a document.
class PageSurface final : public DrawingSurface {
  public:
    PageSurface(PageFlow& flow, double x, double top, double size);

    void setScale(double left, double top, double right, double bottom) override;
    void setDrawWidth(int pixels) override;
    void setAutoRedraw(bool) override {}
    void cls() override {}
    void line(double x1, double y1, double x2, double y2, Colour colour) override;
    void circle(double cx, double cy, double radius, Colour colour) override;
    void text(double x, double y, const std::string& utf8, Colour colour) override;

    // The colour a screen colour is printed in: the channel colours of a dark screen darkened
    // until they read on white, black for white.
    static Colour onPaper(Colour screen);

  private:
    double toX(double x) const;
    double toY(double y) const;

    PageFlow& flow_;
    double x_, top_, size_;
    double left_ = 0, scaleTop_ = 0, right_ = 1, bottom_ = 1;
    double width_ = 0.35;  // mm
};

}  // namespace pm
