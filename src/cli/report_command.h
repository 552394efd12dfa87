#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pm {

// `phasemeter-cli report --inspection ID --out FILE.pdf`: the signed record of a filed wiring
// check, the same sheets as the window's 报告, written as a PDF file. Returns the exit status: 0,
// 1 the file could not be written (or no Chinese face to write it in), 2 bad arguments, 5 the
// archive cannot be opened or has no such inspection. Needs the QGuiApplication that painting
// text needs.
int runReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace pm
