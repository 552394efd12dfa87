// Save and Print. Save writes the real-time page as a picture or text, the history table as text
// or a workbook; every save asks for a file in the one common dialog of the window, and every
// save that could not be written says so. Save on the wiring page writes its analysis as text or
// the window as a picture. Print puts the real-time panel with its phasor diagram, the wiring
// check with its diagram, or the history table, as lines on the printer chosen in the printer
// dialog.
#include <algorithm>

#include "app/form1.h"
#include "output/file_names.h"
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

// Where the real-time report puts its first line and the phasor diagram, in twips.
constexpr int kReportTop = 500;
constexpr int kDiagramLeft = 7000;
constexpr int kDiagramTop = 200;

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
    if (state_.trendView) {
        saveTrendChart();
    } else if (state_.wiringView) {
        saveWiring();
    } else if (state_.liveView) {
        saveLiveView();
    } else {
        saveHistory();
    }
}

std::optional<Form1::SaveTarget> Form1::askSaveTarget(const std::vector<FileType>& types,
                                                      const std::string& proposedName) {
    Files& files = platform_.files;
    std::string folder = files.saveFolder();
    if (!files.ensureFolder(folder)) {
        folder.clear();  // the dialog then opens where the toolkit chooses; the save can go on
    }
    const std::optional<SaveChoice> choice =
        platform_.dialog.showSave(SaveDialogSettings{proposedName, types, folder});
    if (!choice) {
        return std::nullopt;
    }
    // A name typed without an extension gets the one of the entry selected now.
    const int entry = std::clamp(choice->fileTypeIndex, 1, static_cast<int>(types.size()));
    const FileType& type = types[static_cast<std::size_t>(entry - 1)];
    return SaveTarget{withDefaultExtension(choice->path, type.defaultExtension), entry};
}

void Form1::saveLiveView() {
    // The picture is of the window as the user sees it, taken before the dialog covers it.
    platform_.snapshot.take();
    const std::optional<SaveTarget> target = askSaveTarget({kPictureType, kTextType});
    if (!target) {
        return;
    }
    const WriteResult result =
        target->fileTypeIndex == 1
            ? platform_.snapshot.save(target->path)
            : platform_.files.writeTextFile(target->path, livePageLines(livePage()));
    reportSaveFailure(result);
}

void Form1::saveWiring() {
    platform_.snapshot.take();
    const std::optional<SaveTarget> target = askSaveTarget({kTextType, kPictureType});
    if (!target) {
        return;
    }
    const WriteResult result = target->fileTypeIndex == 1
                                   ? platform_.files.writeTextFile(target->path, wiringLines())
                                   : platform_.snapshot.save(target->path);
    reportSaveFailure(result);
}

void Form1::saveHistory() {
    const std::optional<SaveTarget> target = askSaveTarget({kTextType, kWorkbookType});
    if (!target) {
        return;
    }
    if (target->fileTypeIndex == 2) {
        exportWorkbook(target->path);
        return;
    }
    const int blocks = historyBlockCount(state_.recordCount, platform_.grid);
    reportSaveFailure(
        platform_.files.writeTextFile(target->path, historyTextLines(platform_.grid, blocks)));
}

void Form1::exportWorkbook(const std::string& path) {
    reportSaveFailure(platform_.workbook.write(path, platform_.grid));
}

void Form1::reportSaveFailure(const WriteResult& result) {
    if (result.ok()) {
        return;
    }
    platform_.desktop.beep();
    platform_.desktop.showMessage(MessageIcon::Warning, "Saving Error!",
                                  "文件保存出错.\r\n" + result.error);
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
    if (state_.trendView) {
        printTrendChart();
    } else if (state_.liveView || state_.wiringView) {
        printer.setCurrentY(kReportTop);
        const std::vector<std::string> lines =
            state_.wiringView ? wiringLines() : realTimeReportLines(livePage());
        for (const std::string& line : lines) {
            printer.printLine(line);
        }
        // The diagram goes to the right of the first lines.
        printer.setCurrentX(kDiagramLeft);
        printer.setCurrentY(kDiagramTop);
        printer.paintPicture(state_.wiringView ? platform_.wiringSurface : platform_.surface,
                             printer.currentX(), printer.currentY());
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
