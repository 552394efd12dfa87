#include "output/live_page_text.h"

namespace pm {
namespace {

constexpr const char* kChannelLabels[3] = {"  1CH:  ", "  2CH:  ", "  3CH:  "};
// Angle labels by row of the page: voltage-voltage, current-current, voltage-current.
constexpr const char* kAngleLabels[3][3] = {
    {"  U1U2: ", "  I1I2: ", "  U1I1: "},
    {"  U2U3: ", "  I2I3: ", "  U2I2: "},
    {"  U3U1: ", "  I3I1: ", "  U3I3: "},
};

}  // namespace

std::vector<std::string> livePageLines(const LivePage& page) {
    std::vector<std::string> lines;
    lines.push_back(std::string("         ") + "  U/V   " + "  I/A   " + "  P/KW  " + " Q/Kvar " +
                    "  S/KVA " + "   PF   ");
    for (std::size_t k = 0; k < 3; ++k) {
        lines.push_back(kChannelLabels[k] + std::string("  ") + page.u[k] + "    " + page.i[k] +
                        "  " + page.p[k] + "  " + page.q[k] + "   " + page.s[k] + "  " +
                        page.pf[k]);
    }
    for (std::size_t row = 0; row < 3; ++row) {
        std::string line;
        for (std::size_t group = 0; group < 3; ++group) {
            if (group > 0) {
                line += "  ";
            }
            line += kAngleLabels[row][group];
            line += " ";
            line += page.phase[3 * group + row];
        }
        lines.push_back(line);
    }
    lines.push_back("  F/Hz: " + std::string(" ") + page.freq + "       In/A: " + " " + page.isum);
    return lines;
}

std::vector<std::string> realTimeReportLines(const LivePage& page) {
    std::vector<std::string> lines{"     "};
    for (const std::string& line : livePageLines(page)) {
        lines.push_back("        " + line);
    }
    lines.push_back("     ");
    return lines;
}

}  // namespace pm
