// The save dialog, the failure message and the printed report that the views of the window share.
#include "app/page_output.h"

#include <algorithm>

#include "output/file_names.h"
#include "platform/desktop.h"
#include "platform/printer.h"

namespace pm {

std::optional<SaveTarget> askSaveTarget(const PlatformSet& platform,
                                        const std::vector<FileType>& types,
                                        const std::string& proposedName) {
    Files& files = platform.files;
    std::string folder = files.saveFolder();
    if (!files.ensureFolder(folder)) {
        folder.clear();  // the dialog then opens where the toolkit chooses; the save can go on
    }
    const std::optional<SaveChoice> choice =
        platform.dialog.showSave(SaveDialogSettings{proposedName, types, folder});
    if (!choice) {
        return std::nullopt;
    }
    const int entry = std::clamp(choice->fileTypeIndex, 1, static_cast<int>(types.size()));
    const FileType& type = types[static_cast<std::size_t>(entry - 1)];
    return SaveTarget{withDefaultExtension(choice->path, type.defaultExtension), entry};
}

void reportSaveFailure(const PlatformSet& platform, const WriteResult& result) {
    if (result.ok()) {
        return;
    }
    platform.desktop.beep();
    platform.desktop.showMessage(MessageIcon::Warning, "Saving Error!",
                                 "文件保存出错.\r\n" + result.error);
}

void printLinesWithDiagram(const PlatformSet& platform, const std::vector<std::string>& lines,
                           const DrawingSurface& diagram) {
    // The first line, and the diagram to the right of the first lines, in twips from the corner.
    constexpr int kReportTop = 500;
    constexpr int kDiagramLeft = 7000;
    constexpr int kDiagramTop = 200;
    Printer& printer = platform.printer;
    printer.setCurrentY(kReportTop);
    for (const std::string& line : lines) {
        printer.printLine(line);
    }
    printer.setCurrentX(kDiagramLeft);
    printer.setCurrentY(kDiagramTop);
    printer.paintPicture(diagram, printer.currentX(), printer.currentY());
}

}  // namespace pm
