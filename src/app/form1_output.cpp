// Save and Print. Save writes the real-time page as a picture or text, the history table as text
// or a workbook, and hands the other views' saves to their pages; every save asks for a file in
// the one common dialog of the window, and every save that could not be written says so. Print
// opens the document on the printer chosen in the printer dialog and puts the real-time panel
// with its phasor diagram, the history table as lines, or the page shown onto it.
#include "app/form1.h"
#include "app/page_output.h"
#include "output/history_text.h"
#include "output/live_page_text.h"
#include "platform/common_dialog.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/grid.h"
#include "platform/printer.h"
#include "platform/snapshot.h"
#include "platform/workbook.h"

namespace pm {
namespace {

const FileType kPictureType{"jpg格式 (*.jpg)", "*.jpg", ".jpg"};
const FileType kTextType{"txt格式 (*.txt)", "*.txt", ".txt"};
const FileType kWorkbookType{"excel格式 (*.xlsx)", "*.xlsx", ".xlsx"};

template <std::size_t N>
std::array<std::string, N> captionsOf(const std::array<Label*, N>& labels) {
    std::array<std::string, N> captions;
    for (std::size_t k = 0; k < N; ++k) {
        captions[k] = labels[k]->caption();
    }
    return captions;
}

}  // namespace

LivePage Form1::livePage() const {
    const WindowModel& w = window_;
    return LivePage{captionsOf(w.u),     captionsOf(w.i),   captionsOf(w.p),
                    captionsOf(w.q),     captionsOf(w.s),   captionsOf(w.pf),
                    captionsOf(w.phase), w.freq->caption(), w.isum->caption()};
}

void Form1::Command2_Click() {
    if (Page* page = shownPage()) {
        page->save();
    } else if (state_.liveView) {
        saveLiveView();
    } else {
        saveHistory();
    }
}

void Form1::saveLiveView() {
    // The picture is of the window as the user sees it, taken before the dialog covers it.
    platform_.snapshot.take();
    const std::optional<SaveTarget> target = askSaveTarget(platform_, {kPictureType, kTextType});
    if (!target) {
        return;
    }
    const WriteResult result =
        target->fileTypeIndex == 1
            ? platform_.snapshot.save(target->path)
            : platform_.files.writeTextFile(target->path, livePageLines(livePage()));
    reportSaveFailure(platform_, result);
}

void Form1::saveHistory() {
    const std::optional<SaveTarget> target = askSaveTarget(platform_, {kTextType, kWorkbookType});
    if (!target) {
        return;
    }
    if (target->fileTypeIndex == 2) {
        exportWorkbook(target->path);
        return;
    }
    const int blocks = historyBlockCount(state_.recordCount, platform_.grid);
    reportSaveFailure(platform_, platform_.files.writeTextFile(
                                     target->path, historyTextLines(platform_.grid, blocks)));
}

void Form1::exportWorkbook(const std::string& path) {
    reportSaveFailure(platform_, platform_.workbook.write(path, platform_.grid));
}

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
    if (Page* page = shownPage()) {
        page->print();
    } else if (state_.liveView) {
        printLinesWithDiagram(platform_, realTimeReportLines(livePage()), platform_.surface);
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
