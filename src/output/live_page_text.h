#pragma once

#include <array>
#include <string>
#include <vector>

#include "protocol/measurement_frame.h"

namespace pm {

// The real-time page as its captions read, channel by channel and angle by angle in frame order.
struct LivePage {
    std::array<std::string, 3> u, i, p, q, s, pf;
    std::array<std::string, kAngleCount> phase;
    std::string freq, isum;
};

// The real-time page as text: a header line, one line per channel, three lines of phase angles
// and the frequency with the neutral current, copied from the captions.
// The padded labels keep the columns of a fixed-pitch font.
std::vector<std::string> livePageLines(const LivePage& page);

// The printed real-time report: the page's lines indented by eight blanks, between two lines of
// five blanks.
std::vector<std::string> realTimeReportLines(const LivePage& page);

}  // namespace pm
