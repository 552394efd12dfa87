#pragma once

#include <string>

#include <QFont>
#include <QPainter>
#include <QPrinter>

#include "platform/printer.h"

namespace pm {

// The printer as the reports use it: positions in twips from the top-left corner of the
// printable area, lines in one fixed-pitch font, a new page whenever the next line would pass the
// bottom. The printer dialog sets up the QPrinter; tests point it at a PDF file instead.
class QtPrinter final : public Printer {
  public:
    QtPrinter();
    ~QtPrinter() override;
    QtPrinter(const QtPrinter&) = delete;
    QtPrinter& operator=(const QtPrinter&) = delete;

    QPrinter& qprinter() { return printer_; }

    std::string beginDoc() override;
    void setCurrentX(int twips) override { x_ = twips; }
    void setCurrentY(int twips) override { y_ = twips; }
    int currentX() const override { return x_; }
    int currentY() const override { return y_; }
    void printLine(const std::string& text) override;
    // Paints a QtDrawingSurface's image, a screen pixel (1/96 inch) being 15 twips; any other
    // kind of surface has no picture to give and is left out.
    void paintPicture(const DrawingSurface& picture, int xTwips, int yTwips) override;
    void paintSnapshot(const WindowSnapshot& picture, int xTwips, int yTwips) override;
    std::string endDoc() override;

    // The font of the current (or last) document, chosen by beginDoc; see reportFont below.
    const QFont& font() const { return font_; }
    // Height of a printed line and of the printable area, in twips, for the current document.
    int lineHeight() const { return lineHeight_; }
    int pageHeight() const { return pageHeight_; }
    // Pages begun in the current (or last) document.
    int pageCount() const { return pages_; }

    // The report's columns are padded with blanks, so they line up only in a fixed-pitch face:
    // the system's fixed font, at the largest half-point size at which kWidestLineColumns
    // characters end before kTextLimitTwips, where the real-time report paints its diagram.
    static QFont reportFont(const QPaintDevice& device);
    static constexpr int kWidestLineColumns = 80;
    static constexpr int kTextLimitTwips = 6900;
    static constexpr int kTwipsPerScreenPixel = 15;

  private:
    qreal toDevice(int twips) const;
    int toTwips(qreal deviceUnits) const;
    QString beginFailure() const;

    QPrinter printer_;
    QPainter painter_;
    QFont font_;
    int x_ = 0;
    int y_ = 0;
    int lineHeight_ = 0;
    int pageHeight_ = 0;
    qreal ascent_ = 0;  // device units
    int pages_ = 0;
    bool pageUsed_ = false;
};

}  // namespace pm
