#pragma once

#include <memory>

#include "adapters/qt_clock.h"
#include "adapters/qt_files.h"
#include "adapters/qt_scheduler.h"
#include "adapters/qt_serial_control.h"
#include "adapters/qt_text_log.h"
#include "adapters/xlsx_workbook.h"
#include "app/form1.h"
#include "qt/main_window.h"
#include "qt/qt_common_dialog.h"
#include "qt/qt_desktop.h"
#include "qt/qt_document_printer.h"
#include "qt/qt_drawing_surface.h"
#include "qt/qt_grid.h"
#include "qt/qt_printer.h"
#include "qt/qt_window_snapshot.h"

namespace pm {

// Process-wide Qt set-up that the window relies on: the CJK font mapping and Qt's own Chinese
// texts for its dialogs. Call once, after the QApplication exists.
void prepareApplication();

// The whole program as the user gets it: the real platform, the window logic and the window, with
// the load handler already run. main() shows it; tests build it offscreen.
class Program {
  public:
    // `archive` is the site archive the window files into; none (tests, --no-archive) files
    // nothing.
    explicit Program(std::unique_ptr<Archive> archive = nullptr);
    MainWindow& window() { return *window_; }
    Form1& form() { return *form_; }

    // Shows the window centred on the screen, as designed.
    void show();

  private:
    QtScheduler scheduler_;
    QtClock clock_;
    QtSerialControl serial_;
    QtDesktop desktop_;
    QtPrinter printer_;
    QtCommonDialog dialog_{printer_};
    QtFiles files_;
    QtWindowSnapshot snapshot_;
    QtWindowSnapshot chartSnapshot_;
    QtTextLog trendLog_;
    XlsxWorkbookWriter workbook_;
    std::unique_ptr<Archive> archive_;
    QtDocumentPrinter documents_{printer_};
    QtDrawingSurface* surface_;        // owned by the window once it has adopted it
    QtDrawingSurface* wiringSurface_;  // likewise
    QtGrid* grid_;                     // likewise
    std::unique_ptr<Form1> form_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace pm
