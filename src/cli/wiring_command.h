#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pm {

// `phasemeter-cli wiring`: the wiring check of one measurement frame given in hexadecimal, written
// as the lines of the saved analysis (UTF-8, LF). Returns the exit status: 0 for an analysis
// (also of bad data in a well-formed frame), 2 for bad input, named in one line on `err`.
int runWiringCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kWiringUsage;

}  // namespace pm
