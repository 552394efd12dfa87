#pragma once

#include <string>

#include "platform/files.h"

namespace pm {

class Grid;
class WorkbookWriter;

// The history table written as the window's Save writes it after a read that reported
// `recordCount` records: a workbook for a name ending in .xlsx (in any case), the history text
// file for any other.
WriteResult writeHistoryFile(const std::string& path, const Grid& grid, int recordCount,
                             Files& files, WorkbookWriter& workbook);

}  // namespace pm
