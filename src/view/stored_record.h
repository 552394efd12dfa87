#pragma once

#include <cstdint>
#include <span>

#include "core/number_format.h"
#include "platform/grid.h"
#include "protocol/request_frames.h"

namespace pm {

// Shown for a quantity the record does not hold: a voltage-to-voltage angle of a record taken in
// mode 2, a range code outside the tables, bytes missing from a short reply. It reads back as 0,
// so a channel without a valid reading counts as idle.
constexpr const char* kNotAvailableText = "----";

// Files one stored-record reply into block `recordNumber` of the history table: the table is set
// to exactly that many blocks (a lower number cuts the blocks after it), every row gets the block
// row height, and the block gets its captions, readings and derived figures. Cells the record
// does not fill keep their texts. A number outside 1..10000 changes nothing.
void writeStoredRecord(Grid& grid, std::span<const std::uint8_t> reply, int recordNumber,
                       const NumberFormat& format);

// Block `recordNumber` for a record that never answered: the table set to that many blocks as
// above, the block's captions, and every other cell of it blank, so that nothing an earlier read
// left there passes for this record.
void writeMissingRecord(Grid& grid, int recordNumber);

}  // namespace pm
