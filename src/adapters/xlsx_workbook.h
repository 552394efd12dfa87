#pragma once

#include <string>

#include "platform/workbook.h"

namespace pm {

// The history workbook written with libxlsxwriter: one worksheet with the library's default
// name, every grid cell a centred text cell (a blank but centred cell where the grid cell is
// empty), never a number, so that "230.00" and "NO.12" read back exactly as shown.
//
// The workbook is built in a hidden file beside the target and renamed over it only once
// libxlsxwriter reports it complete and it is on disk; a failed write removes that file and
// leaves whatever had the target's name before untouched. A replaced file keeps its permission
// bits.
class XlsxWorkbookWriter final : public WorkbookWriter {
  public:
    struct Options {
        // Row by row through a scratch file instead of holding every cell until the end: a few
        // megabytes instead of a hundred for a full history, at a small cost in time.
        bool constantMemory = true;
    };

    XlsxWorkbookWriter() = default;
    explicit XlsxWorkbookWriter(Options options) : options_(options) {}

    WriteResult write(const std::string& path, const Grid& grid) override;

  private:
    Options options_;
};

}  // namespace pm
