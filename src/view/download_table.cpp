#include "view/download_table.h"

#include <algorithm>

#include "platform/grid.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace pm {

int downloadTableBlocks(const Download& download) {
    if (download.summary.finished) {
        return download.summary.tableBlocks;
    }
    int highest = 0;
    for (const DownloadRecord& record : download.records) {
        highest = std::max(highest, record.number);
    }
    return highest;
}

std::vector<std::vector<std::uint8_t>> writeDownload(Grid& grid, const Download& download,
                                                     const NumberFormat& format) {
    const int blocks = std::min<int>(downloadTableBlocks(download), kLastRecordNumber);
    std::vector<std::vector<std::uint8_t>> frames(static_cast<std::size_t>(std::max(blocks, 0)));
    setupGrid(grid);
    auto held = download.records.begin();
    for (int number = 1; number <= blocks; ++number) {
        while (held != download.records.end() && held->number < number) {
            ++held;
        }
        if (held != download.records.end() && held->number == number && !held->bytes.empty()) {
            writeStoredRecord(grid, held->bytes, number, format);
            frames[static_cast<std::size_t>(number - 1)] = held->bytes;
        } else {
            writeMissingRecord(grid, number);
        }
    }
    return frames;
}

}  // namespace pm
