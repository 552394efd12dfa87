#include "output/page_layout.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>

namespace pm {
namespace {

// Gaps, in mm.
constexpr double kLabelGap = 1.2;    // after a field's label
constexpr double kFieldGap = 4;      // between the fields of a row
constexpr double kRowGap = 1.6;      // between rows of fields
constexpr double kRuleDrop = 0.4;    // a field's rule below its line
constexpr double kCellPad = 0.8;     // inside a table cell
constexpr double kHeadingGap = 1.0;  // below a heading
constexpr double kThinRule = 0.2;
constexpr Colour kRuleGrey = rgbColour(90, 90, 90);
constexpr Colour kHeaderFill = rgbColour(232, 232, 232);
constexpr Colour kWhite = rgbColour(255, 255, 255);

std::size_t codePointLength(unsigned char lead) {
    return lead < 0x80         ? 1
           : lead >> 5 == 0x6  ? 2
           : lead >> 4 == 0xE  ? 3
           : lead >> 3 == 0x1E ? 4
                               : 1;
}

// Punctuation that must not begin a line.
bool closesLine(std::string_view cp) {
    static constexpr std::string_view kClosing[] = {"，", "。", "、", "；", "：", "？", "！", "）",
                                                    "》", "」", "』", "】", "·",  "…",  "％", "°"};
    return std::find(std::begin(kClosing), std::end(kClosing), cp) != std::end(kClosing);
}

bool opensLine(std::string_view cp) {
    static constexpr std::string_view kOpening[] = {"（", "《", "「", "『", "【"};
    return std::find(std::begin(kOpening), std::end(kOpening), cp) != std::end(kOpening);
}

struct Unit {
    std::string text;
    bool blank = false;
};

// The text cut where a line may break: a word of ASCII characters, one other character with the
// punctuation that sticks to it, or a run of blanks.
std::vector<Unit> units(std::string_view text) {
    std::vector<Unit> out;
    bool glueNext = false;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = std::min(codePointLength(lead), text.size() - at);
        const std::string_view cp = text.substr(at, length);
        const bool blank = cp == " ";
        const bool ascii = lead < 0x80 && !blank;
        const bool extendsWord = ascii && !out.empty() && !out.back().blank && !glueNext &&
                                 static_cast<unsigned char>(out.back().text.back()) < 0x80;
        if (!out.empty() && (glueNext || extendsWord || (closesLine(cp) && !out.back().blank) ||
                             (blank && out.back().blank))) {
            out.back().text += cp;
        } else {
            out.push_back({std::string(cp), blank});
        }
        glueNext = opensLine(cp);
        at += length;
    }
    return out;
}

void trimTrailingBlanks(std::string& line) {
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
}

void wrapParagraph(std::string_view paragraph, double width, const TextStyle& style,
                   DocumentMeasure& measure, std::vector<std::string>& lines) {
    std::string line;
    for (const Unit& unit : units(paragraph)) {
        if (unit.blank && line.empty()) {
            continue;
        }
        if (line.empty() || measure.textWidth(line + unit.text, style) <= width) {
            line += unit.text;
        } else {
            trimTrailingBlanks(line);
            lines.push_back(std::move(line));
            line = unit.blank ? std::string() : unit.text;
        }
        // A unit wider than a whole line breaks between its characters, never right before
        // punctuation that closes.
        while (measure.textWidth(line, style) > width) {
            std::vector<std::size_t> ends;
            for (std::size_t at = 0; at < line.size();) {
                at += codePointLength(static_cast<unsigned char>(line[at]));
                ends.push_back(std::min(at, line.size()));
            }
            std::size_t fit = 0;
            while (fit + 1 < ends.size() &&
                   measure.textWidth(line.substr(0, ends[fit + 1]), style) <= width) {
                ++fit;
            }
            const auto startsClosing = [&](std::size_t end) {
                if (end >= line.size()) {
                    return false;
                }
                const std::size_t next = std::min(
                    line.size() - end, codePointLength(static_cast<unsigned char>(line[end])));
                return closesLine(std::string_view(line).substr(end, next));
            };
            std::size_t cut = fit;
            while (cut > 0 && startsClosing(ends[cut])) {
                --cut;
            }
            const std::size_t keep = startsClosing(ends[cut]) ? ends[fit] : ends[cut];
            if (keep >= line.size()) {
                break;
            }
            lines.push_back(line.substr(0, keep));
            line.erase(0, keep);
        }
    }
    trimTrailingBlanks(line);
    lines.push_back(std::move(line));
}

}  // namespace

std::vector<std::string> wrapText(const std::string& text, double width, const TextStyle& style,
                                  DocumentMeasure& measure) {
    std::vector<std::string> lines;
    std::string_view rest = text;
    for (;;) {
        const std::size_t end = rest.find('\n');
        wrapParagraph(rest.substr(0, end), width, style, measure, lines);
        if (end == std::string_view::npos) {
            return lines;
        }
        rest.remove_prefix(end + 1);
    }
}

PageFlow::PageFlow(DocumentMeasure& measure, Margins margins)
    : measure_(measure), margins_(margins) {
    newSheet();
}

void PageFlow::newSheet() {
    pages_.emplace_back();
    y_ = margins_.top;
}

double PageFlow::room() const {
    return kSheetHeightMm - margins_.bottom - margins_.reservedBottom - y_;
}

void PageFlow::keep(double height) {
    if (height > room() && y_ > margins_.top) {
        newSheet();
    }
}

void PageFlow::centredLine(const std::string& text, const TextStyle& style) {
    const double height = measure_.lineHeight(style);
    keep(height);
    add(PageText{left() + std::max(0.0, (width() - measure_.textWidth(text, style)) / 2), y_, text,
                 style, kBlack});
    y_ += height;
}

void PageFlow::heading(const std::string& text, double following) {
    constexpr TextStyle kHeading{10.5, Face::Hei, true};
    const double height = measure_.lineHeight(kHeading) + kHeadingGap;
    // A heading never ends a sheet: it goes with what follows it.
    keep(height + std::max(following, 2 * measure_.lineHeight(kBody)));
    add(PageText{left(), y_, text, kHeading, kBlack});
    y_ += height;
}

double PageFlow::field(double x, double top, double width, const FormField& f, bool place) {
    const std::string label = f.label + "：";
    const double labelWidth = measure_.textWidth(label, kLabel) + kLabelGap;
    const double valueX = x + labelWidth;
    const double valueWidth = std::max(1.0, width - labelWidth - kFieldGap);
    const std::vector<std::string> lines = wrapText(f.value, valueWidth, kBody, measure_);
    const double lineHeight = measure_.lineHeight(kBody);
    if (place) {
        add(PageText{x, top, label, kLabel, kBlack});
        double y = top;
        for (const std::string& line : lines) {
            if (!line.empty()) {
                add(PageText{valueX, y, line, kBody, kBlack});
            }
            y += lineHeight;
            // Every line of the value on a rule, as on a form; a blank value leaves one to write
            // on.
            add(PageLine{valueX, y + kRuleDrop - 0.6, valueX + valueWidth, y + kRuleDrop - 0.6,
                         kThinRule, kRuleGrey});
        }
    }
    return static_cast<double>(lines.size()) * lineHeight + kRuleDrop;
}

double PageFlow::fieldsAt(double x, double top, double width, const std::vector<FormField>& fields,
                          bool place) {
    const double total =
        std::accumulate(fields.begin(), fields.end(), 0.0,
                        [](double sum, const FormField& f) { return sum + f.share; });
    double height = 0;
    for (const FormField& f : fields) {
        const double w = width * f.share / total;
        height = std::max(height, field(x, top, w, f, place));
        x += w;
    }
    return height;
}

void PageFlow::fieldRow(const std::vector<FormField>& fields) {
    const double height = fieldsAt(left(), y_, width(), fields, false);
    keep(height + kRowGap);
    fieldsAt(left(), y_, width(), fields, true);
    y_ += height + kRowGap;
}

void PageFlow::table(const std::vector<double>& shares, const std::vector<TableRow>& rows,
                     const TextStyle& style) {
    const double total = std::accumulate(shares.begin(), shares.end(), 0.0);
    std::vector<double> edges{left()};
    for (double share : shares) {
        edges.push_back(edges.back() + width() * share / total);
    }
    const double lineHeight = measure_.lineHeight(style);
    // Each row's cells wrapped, and the row's height.
    struct Placed {
        std::vector<std::vector<std::string>> cells;
        double height = 0;
    };
    std::vector<Placed> placed;
    double tableHeight = 0;
    for (const TableRow& row : rows) {
        Placed p;
        std::size_t column = 0;
        for (const TableCell& cell : row) {
            const std::size_t end = std::min(edges.size() - 1, column + std::max(1, cell.span));
            const double cellWidth = edges[end] - edges[column] - 2 * kCellPad;
            p.cells.push_back(wrapText(cell.text, std::max(1.0, cellWidth), style, measure_));
            p.height = std::max(
                p.height, static_cast<double>(p.cells.back().size()) * lineHeight + 2 * kCellPad);
            column = end;
        }
        tableHeight += p.height;
        placed.push_back(std::move(p));
    }
    keep(tableHeight + kRowGap);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Placed& p = placed[r];
        keep(p.height);
        if (r == 0) {
            add(PageBox{left(), y_, width(), p.height, kHeaderFill});
        }
        add(PageLine{left(), y_, right(), y_, kThinRule, kBlack});
        std::size_t column = 0;
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const std::size_t end =
                std::min(edges.size() - 1, column + std::max(1, rows[r][c].span));
            const double x0 = edges[column];
            const double x1 = edges[end];
            add(PageLine{x0, y_, x0, y_ + p.height, kThinRule, kBlack});
            double y = y_ + kCellPad;
            for (const std::string& line : p.cells[c]) {
                const double w = measure_.textWidth(line, style);
                add(PageText{x0 + std::max(kCellPad, (x1 - x0 - w) / 2), y, line, style, kBlack});
                y += lineHeight;
            }
            column = end;
        }
        add(PageLine{right(), y_, right(), y_ + p.height, kThinRule, kBlack});
        y_ += p.height;
        add(PageLine{left(), y_, right(), y_, kThinRule, kBlack});
    }
    y_ += kRowGap;
}

void PageFlow::placeFooter(DocumentPage& page, const Footer& footer) {
    const double height = measure_.lineHeight(kSmall);
    const double y = kSheetHeightMm - margins_.bottom - height;
    page.items.push_back(PageLine{left(), y - 1.2, right(), y - 1.2, kThinRule, kRuleGrey});
    page.items.push_back(PageText{left(), y, footer.left, kSmall, kBlack});
    const double centreWidth = measure_.textWidth(footer.centre, kSmall);
    page.items.push_back(
        PageText{left() + (width() - centreWidth) / 2, y, footer.centre, kSmall, kBlack});
    page.items.push_back(PageText{right() - measure_.textWidth(footer.right, kSmall), y,
                                  footer.right, kSmall, kBlack});
}

PageSurface::PageSurface(PageFlow& flow, double x, double top, double size)
    : flow_(flow), x_(x), top_(top), size_(size) {}

void PageSurface::setScale(double left, double top, double right, double bottom) {
    left_ = left;
    scaleTop_ = top;
    right_ = right;
    bottom_ = bottom;
}

void PageSurface::setDrawWidth(int pixels) {
    // A screen pixel is about a quarter of a millimetre; on paper a little finer reads better.
    width_ = 0.22 * std::max(1, pixels);
}

double PageSurface::toX(double x) const {
    return x_ + (x - left_) / (right_ - left_) * size_;
}

double PageSurface::toY(double y) const {
    return top_ + (y - scaleTop_) / (bottom_ - scaleTop_) * size_;
}

void PageSurface::line(double x1, double y1, double x2, double y2, Colour colour) {
    flow_.add(PageLine{toX(x1), toY(y1), toX(x2), toY(y2), width_, onPaper(colour)});
}

void PageSurface::circle(double cx, double cy, double radius, Colour colour) {
    flow_.add(PageCircle{toX(cx), toY(cy), std::fabs(radius / (right_ - left_)) * size_, width_,
                         onPaper(colour)});
}

void PageSurface::text(double x, double y, const std::string& utf8, Colour colour) {
    constexpr TextStyle kDiagramLabel{8, Face::Song, false};
    DocumentMeasure& measure = flow_.measure();
    const double w = measure.textWidth(utf8, kDiagramLabel);
    const double h = measure.lineHeight(kDiagramLabel);
    const double left = toX(x) - w / 2;
    const double top = toY(y) - h / 2;
    flow_.add(PageBox{left - 0.3, top, w + 0.6, h, kWhite});
    flow_.add(PageText{left, top, utf8, kDiagramLabel, onPaper(colour)});
}

Colour PageSurface::onPaper(Colour screen) {
    switch (screen) {
        case rgbColour(255, 255, 0):  // yellow, channel 1
            return rgbColour(190, 140, 0);
        case rgbColour(0, 255, 0):  // green, channel 2
            return rgbColour(0, 135, 0);
        case rgbColour(255, 0, 0):  // red, channel 3
            return rgbColour(200, 0, 0);
        case rgbColour(0, 255, 255):  // cyan, the circle
            return rgbColour(120, 120, 120);
        case rgbColour(255, 255, 255):
            return kBlack;
        default:
            return screen;
    }
}

}  // namespace pm
