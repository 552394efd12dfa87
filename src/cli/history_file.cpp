#include "cli/history_file.h"

#include <algorithm>
#include <cctype>

#include "output/history_text.h"
#include "platform/workbook.h"

namespace pm {
namespace {

bool isWorkbookName(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name.ends_with(".xlsx");
}

}  // namespace

WriteResult writeHistoryFile(const std::string& path, const Grid& grid, int recordCount,
                             Files& files, WorkbookWriter& workbook) {
    if (isWorkbookName(path)) {
        return workbook.write(path, grid);
    }
    return files.writeTextFile(path, historyTextLines(grid, historyBlockCount(recordCount, grid)));
}

}  // namespace pm
