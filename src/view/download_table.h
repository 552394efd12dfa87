#pragma once

#include <cstdint>
#include <vector>

#include "core/number_format.h"
#include "platform/archive.h"

namespace pm {

class Grid;

// How many blocks the history table held when the download's read ended: as filed once the read
// finished; for a read that never finished, up to its highest record filed.
int downloadTableBlocks(const Download& download);

// Puts a filed download into the history table as its read left it: each record's block from its
// bytes, an empty block for each number without one, nothing of what the table held before.
// Returns the bytes by record number - 1 (empty for a record never answered), as the read keeps
// them for the wiring check of a record.
std::vector<std::vector<std::uint8_t>> writeDownload(Grid& grid, const Download& download,
                                                     const NumberFormat& format);

}  // namespace pm
