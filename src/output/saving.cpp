// The Save button: the real-time page as a picture or text, the history table as text or a
// workbook. Every save asks for a file in the one common dialog of the window, and every save
// that could not be written says so.
#include <algorithm>

#include "app/form1.h"
#include "output/history_text.h"
#include "output/live_page_text.h"
#include "platform/common_dialog.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/grid.h"
#include "platform/snapshot.h"
#include "platform/workbook.h"

namespace pm {
namespace {

constexpr const char* kProposedName = "Korvalendrix";

const FileType kPictureType{"jpg格式 (*.jpg)", "*.jpg", ".jpg"};
const FileType kTextType{"txt格式 (*.txt)", "*.txt", ".txt"};
const FileType kWorkbookType{"excel格式 (*.xlsx)", "*.xlsx", ".xlsx"};

}  // namespace

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    const std::size_t nameStart = path.find_last_of("/\\");
    const std::string name = path.substr(nameStart == std::string::npos ? 0 : nameStart + 1);
    if (name.empty() || name.find('.') != std::string::npos) {
        return path;
    }
    return path + extension;
}

void Form1::Command2_Click() {
    if (state_.liveView) {
        saveLiveView();
    } else {
        saveHistory();
    }
}

std::optional<Form1::SaveTarget> Form1::askSaveTarget(const std::vector<FileType>& types) {
    Files& files = platform_.files;
    std::string folder = files.saveFolder();
    if (!files.ensureFolder(folder)) {
        folder.clear();  // the dialog then opens where the toolkit chooses; the save can go on
    }
    const std::optional<SaveChoice> choice =
        platform_.dialog.showSave(SaveDialogSettings{kProposedName, types, folder});
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
            : platform_.files.writeTextFile(target->path, livePageLines(window_));
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

}  // namespace pm
