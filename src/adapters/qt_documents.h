#pragma once

#include <QByteArray>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "platform/paged_document.h"

namespace pm {

// The faces documents are written in: a Song face for the text, a Hei face for headings, each
// with the other Chinese faces this system may have behind it.
QFont documentFont(const TextStyle& style);

// Text measured at a PDF's resolution, where no hinting bends the widths.
class QtDocumentMeasure final : public DocumentMeasure {
  public:
    QtDocumentMeasure();
    double textWidth(const std::string& utf8, const TextStyle& style) override;
    double lineHeight(const TextStyle& style) override;

  private:
    const QFontMetricsF& metrics(const TextStyle& style);

    QImage device_;
    // The few styles a document uses, each measured with its font.
    std::deque<std::pair<TextStyle, QFontMetricsF>> metrics_;
};

// Paints the pages on a painter that is active on `device`, one sheet each, the sheet's corner at
// the device's origin (a full-page device).
void paintDocument(QPainter& painter, QPagedPaintDevice& device, const PagedDocument& document);

// A4 portrait without margins: every document is laid out on the whole sheet.
QPageLayout sheetLayout();

// Writes `bytes` as the file `path` through a temporary file renamed over it once whole.
WriteResult writeWholeFile(const QString& path, const QByteArray& bytes);

// The PDF with its Author set, which Qt's writer has no setting for; nothing when the bytes are
// not a PDF that can be read.
std::optional<QByteArray> withPdfAuthor(const QByteArray& pdf, const std::string& author);

// Documents as PDF files; there is no printer (phasemeter-cli). The window's documents add one.
class PdfDocumentOutput : public DocumentOutput {
  public:
    DocumentMeasure& measure() override { return measure_; }
    std::string fontProblem() override;
    WriteResult writePdf(const std::string& path, const PagedDocument& document) override;
    std::string print(const PagedDocument&) override { return "no printer without a window"; }

    // The document as the bytes of a PDF file; nothing when Qt could not write it.
    static std::optional<QByteArray> pdfBytes(const PagedDocument& document);

  private:
    QtDocumentMeasure measure_;
};

}  // namespace pm
