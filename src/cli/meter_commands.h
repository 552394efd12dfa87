#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pm {

// `phasemeter-cli read`: finds the meter as the window does, reads every stored record as the
// Read button does and writes them as the window's Save would: the history text file, or the
// workbook for a name ending in .xlsx. Returns the exit status (0, 1 a file that could not be
// written, 2 bad arguments named in one line on `err`, 3 no meter, 4 link lost during the read,
// what was read written all the same, 5 the count reply was no count, 6 records that never
// answered, named on `err`, the others written). Needs a QCoreApplication unless the arguments are
// bad.
int runReadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `phasemeter-cli live`: one line per live reading, CSV with its header or JSON, to `out` or to a
// file written through line by line, for N seconds from the link or until Ctrl-C. Statuses as
// for read; 4 when the link is lost.
int runLiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kReadUsage;
extern const char* const kLiveUsage;

}  // namespace pm
