#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pm {

class Grid;

// How many record blocks a save or print of the history table covers: the count of the last
// read, but never fewer than the blocks the table shows (a later read that found no record
// leaves the earlier blocks on screen) and never fewer than one.
int historyBlockCount(int recordCount, const Grid& grid);

// The line for one table row of a block (rows 0 to 7 of it; the spacer row 8 has none), its
// cells joined by the blanks that keep the columns. No line when a cell it needs lies beyond the
// table: a table cut short by Clear or by a lost link gives only what it holds.
std::optional<std::string> historyRowLine(const Grid& grid, int row);

// The history text file: per block its eight row lines and a line of one blank.
std::vector<std::string> historyTextLines(const Grid& grid, int blocks);

// The printed history report: per block a line of two blanks, the eight row lines indented by
// eight blanks, and another line of two blanks.
std::vector<std::string> historyReportLines(const Grid& grid, int blocks);

}  // namespace pm
