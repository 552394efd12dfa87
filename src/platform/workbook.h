#pragma once

#include <string>

#include "platform/files.h"

namespace pm {

class Grid;

// Writes the history table as an Office Open XML workbook: worksheet cell (r + 1, c + 1) holds
// grid cell (r, c) as centred text, empty cells included. The old file of that name is replaced
// only once the workbook is complete.
class WorkbookWriter {
  public:
    virtual ~WorkbookWriter() = default;
    virtual WriteResult write(const std::string& path, const Grid& grid) = 0;
};

}  // namespace pm
