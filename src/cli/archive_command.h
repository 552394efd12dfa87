#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pm {

// `phasemeter-cli archive`: the site archive the window keeps, from the command line. Its
// commands list the sites, downloads and inspections (as text or one JSON array), file a new
// site, and export a filed download as the window's Save writes the history table after that
// read. Returns the exit status: 0, 1 the export could not be written, 2 bad arguments named in
// one line on `err`, 5 the archive cannot be opened or written, or has no such site or
// download. Makes the QCoreApplication the archive needs when there is none.
int runArchiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kArchiveUsage;

}  // namespace pm
