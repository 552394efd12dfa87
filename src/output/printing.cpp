// The Print button: the real-time panel with its phasor diagram, or the history table, as lines
// on the printer chosen in the printer dialog.
#include "app/form1.h"
#include "output/history_text.h"
#include "output/live_page_text.h"
#include "platform/common_dialog.h"
#include "platform/desktop.h"
#include "platform/printer.h"

namespace pm {
namespace {

// Where the real-time report puts its first line and the phasor diagram, in twips.
constexpr int kReportTop = 500;
constexpr int kDiagramLeft = 7000;
constexpr int kDiagramTop = 200;

}  // namespace

void Form1::Command4_Click() {
    const PrintChoice choice = platform_.dialog.showPrinter();
    if (choice.outcome == PrintDialogOutcome::Cancelled) {
        return;
    }
    Printer& printer = platform_.printer;
    std::string error =
        choice.outcome == PrintDialogOutcome::Failed ? choice.error : printer.beginDoc();
    if (!error.empty()) {
        reportPrintFailure(error);
        return;
    }
    if (state_.liveView) {
        printer.setCurrentY(kReportTop);
        for (const std::string& line : realTimeReportLines(window_)) {
            printer.printLine(line);
        }
        printer.setCurrentX(kDiagramLeft);
        printer.setCurrentY(kDiagramTop);
        printer.paintPicture(platform_.surface, printer.currentX(), printer.currentY());
    } else {
        const int blocks = historyBlockCount(state_.recordCount, platform_.grid);
        for (const std::string& line : historyReportLines(platform_.grid, blocks)) {
            printer.printLine(line);
        }
    }
    error = printer.endDoc();
    if (!error.empty()) {
        reportPrintFailure(error);
    }
}

void Form1::reportPrintFailure(const std::string& reason) {
    platform_.desktop.beep();
    platform_.desktop.showMessage(MessageIcon::Warning, "Printing Error!",
                                  "文件打印出错.\r\n" + reason);
}

}  // namespace pm
