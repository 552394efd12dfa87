#include "qt/qt_document_printer.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include "qt/qt_printer.h"

namespace pm {

std::string QtDocumentPrinter::print(const PagedDocument& document) {
    QPrinter& printer = printer_.qprinter();
    // The sheets are laid out on A4 from the paper's corner, whatever the dialog left set; the
    // window's other printouts count from the printable area of the paper chosen, so the
    // printer is given back as it was.
    struct Restore {
        QPrinter& printer;
        bool fullPage = printer.fullPage();
        QPageLayout layout = printer.pageLayout();
        QString name = printer.docName();
        ~Restore() {
            printer.setFullPage(fullPage);
            printer.setPageLayout(layout);
            printer.setDocName(name);
        }
    } restore{printer};
    printer.setFullPage(true);
    printer.setPageLayout(sheetLayout());
    printer.setDocName(QString::fromStdString(document.info.title));
    printer.setCreator(QString::fromStdString(document.info.creator));
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (printer.outputFormat() == QPrinter::PdfFormat) {
            return "无法写入文件 " + printer.outputFileName().toStdString();
        }
        return printer.printerName().isEmpty()
                   ? std::string("没有可用的打印机")
                   : "打印机 " + printer.printerName().toStdString() + " 无法开始打印";
    }
    paintDocument(painter, printer, document);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        return "打印机 " + printer.printerName().toStdString() + " 未能完成打印";
    }
    // Printed to a PDF file from the dialog: that file gets its author as a saved one does.
    const QString file = printer.outputFileName();
    if (printer.outputFormat() == QPrinter::PdfFormat && !file.isEmpty()) {
        QFile written(file);
        if (written.open(QIODevice::ReadOnly)) {
            const std::optional<QByteArray> withAuthor =
                withPdfAuthor(written.readAll(), document.info.author);
            written.close();
            // Without its author the printed file is still whole: only the metadata is poorer.
            if (withAuthor) {
                writeWholeFile(file, *withAuthor);
            }
        }
    }
    return {};
}

}  // namespace pm
