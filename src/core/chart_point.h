#pragma once

namespace pm {

// A point of a chart's line: x in seconds since 1970-01-01 00:00 UTC, y the value, NaN where the
// line breaks. The trend store thins its readings into these and the window's chart holds them.
struct ChartPoint {
    double x;
    double y;
};

}  // namespace pm
