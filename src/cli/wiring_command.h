#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pm {

// `phasemeter-cli wiring`: the wiring check of one measurement frame given in hexadecimal or of a
// record of a filed download, written as the lines of the saved analysis (UTF-8, LF); with a site
// its wiring system and ratios apply, and with --store the check is filed as an inspection.
// Returns the exit status: 0 for an analysis (also of bad data in a well-formed frame), 2 for bad
// input, named in one line on `err`, 5 when the archive cannot be used or lacks what was named.
// Makes the QCoreApplication the archive needs when there is none.
int runWiringCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kWiringUsage;

}  // namespace pm
