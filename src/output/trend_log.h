#pragma once

// The trend log: one line per live reading, for spreadsheets and log shippers alike. CSV in
// UTF-8 with a byte-order mark (so spreadsheet programs read the Chinese header right),
// comma-separated, numbers with "." and no grouping whatever the regional settings, each value
// with the decimals the live panel shows it with and empty where the panel shows nothing; or one
// JSON object per line with the same fields, numbers as numbers and null for what is missing.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/clock.h"
#include "view/trend_store.h"

namespace pm {

// The field names, time first, as the header line gives them: each trend column's name with its
// unit after a slash.
extern const std::array<std::string, kTrendColumns + 1> kTrendFields;

// The trend columns of one frame (window/trend_quantities.h). Nothing for a quantity the frame
// does not give, nor for a figure derived from one.
using TrendValues = std::array<std::optional<std::string>, kTrendColumns>;
TrendValues trendValues(std::span<const std::uint8_t> frame);
// The same values as numbers for the chart, NaN where the panel shows nothing.
TrendRow trendRow(const TrendValues& values);

// Local time as ISO 8601 with seconds and its offset from UTC, so that the text names one instant
// wherever it is read, also in the hour daylight saving time repeats: 2026-12-07T17:31:25+08:00,
// 2026-10-25T02:30:00-03:30; +00:00 for UTC.
std::string isoLocalTime(const ClockReading& time);

// The first line of a CSV log, byte-order mark included.
std::string trendCsvHeader();
std::string trendCsvLine(const std::string& time, const TrendValues& values);
// A gap in the data (link lost, history read): the time and nothing else.
std::string trendCsvGap(const std::string& time);
std::string trendJsonLine(const std::string& time, const TrendValues& values);

}  // namespace pm
