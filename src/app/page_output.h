#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/platform_set.h"
#include "platform/common_dialog.h"
#include "platform/files.h"

namespace pm {

// The file a save goes to, and the entry of the dialog's type list (from 1) it was saved as.
struct SaveTarget {
    std::string path;
    int fileTypeIndex = 1;
};

// Asks for the file to save to in the window's one save dialog, opened in the save folder;
// nothing when the user cancelled. A name typed without an extension gets the selected type's.
std::optional<SaveTarget> askSaveTarget(const PlatformSet& platform,
                                        const std::vector<FileType>& types,
                                        const std::string& proposedName = "Korvalendrix");
// A save that could not be written beeps and says why; one that was written says nothing.
void reportSaveFailure(const PlatformSet& platform, const WriteResult& result);
// A report of lines with its diagram to the right of the first ones, on the printer's open
// document: the real-time page and the wiring check print so.
void printLinesWithDiagram(const PlatformSet& platform, const std::vector<std::string>& lines,
                           const DrawingSurface& diagram);

}  // namespace pm
