#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pm {

// One entry of a save dialog's file-type list.
struct FileType {
    std::string caption;           // "txt格式 (*.txt)"
    std::string pattern;           // "*.txt"
    std::string defaultExtension;  // ".txt": added to a name typed without one
};

struct SaveDialogSettings {
    std::string fileName;  // name proposed in the dialog
    std::vector<FileType> fileTypes;
    std::string initialFolder;
};

struct SaveChoice {
    std::string path;       // as the user left it in the dialog
    int fileTypeIndex = 1;  // 1-based entry selected when the dialog closed
};

enum class PrintDialogOutcome { Accepted, Cancelled, Failed };

struct PrintChoice {
    PrintDialogOutcome outcome = PrintDialogOutcome::Cancelled;
    std::string error;  // why the dialog failed
};

// The one common dialog of the window, shared by the saves and the print set-up. It remembers the
// file-type entry chosen at its last save (FilterIndex), and each save opens with that entry.
class CommonDialog {
  public:
    virtual ~CommonDialog() = default;
    // Entry chosen at the last save, 1-based; 0 before the first save.
    virtual int filterIndex() const = 0;
    // Shows the modal save dialog; nullopt when the user cancelled. An existing file may be
    // chosen without a question: it is replaced.
    virtual std::optional<SaveChoice> showSave(const SaveDialogSettings& settings) = 0;
    // Shows the modal printer dialog; on Accepted the printer is set up for a document.
    virtual PrintChoice showPrinter() = 0;
};

}  // namespace pm
