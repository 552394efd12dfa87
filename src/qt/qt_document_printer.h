#pragma once

#include "adapters/qt_documents.h"

namespace pm {

class QtPrinter;

// The window's documents: PDF files as everywhere, and paper on the printer the printer dialog
// set up, sheet for sheet the same as the file.
class QtDocumentPrinter final : public PdfDocumentOutput {
  public:
    explicit QtDocumentPrinter(QtPrinter& printer) : printer_(printer) {}
    std::string print(const PagedDocument& document) override;

  private:
    QtPrinter& printer_;
};

}  // namespace pm
