#pragma once

#include <string>
#include <vector>

#include "app/window_model.h"

namespace pm {

// The real-time page as text: a header line, one line per channel, three lines of phase angles
// and the frequency with the neutral current, copied from the panel's captions as they stand.
// The padded labels keep the columns of a fixed-pitch font.
std::vector<std::string> livePageLines(const WindowModel& window);

// The printed real-time report: the page's lines indented by eight blanks, between two lines of
// five blanks.
std::vector<std::string> realTimeReportLines(const WindowModel& window);

}  // namespace pm
