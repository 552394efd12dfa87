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
#include <string_view>

#include "platform/clock.h"
#include "view/trend_store.h"

namespace pm {

// The field names, time first, as the header line gives them.
extern const std::array<std::string_view, kTrendColumns + 1> kTrendFields;

// U1..U3, I1..I3, the nine angles, F, P1..P3, P, Q1..Q3, S1..S3, PF1..PF3, In of one frame.
// Nothing for a quantity the frame does not give, nor for a figure derived from one.
using TrendValues = std::array<std::optional<std::string>, kTrendColumns>;
TrendValues trendValues(std::span<const std::uint8_t> frame);
// The same values as numbers for the chart, NaN where the panel shows nothing.
TrendRow trendRow(const TrendValues& values);

// Local time as ISO 8601 with seconds: 2026-12-07T17:31:25.
std::string isoLocalTime(const ClockReading& time);

// The first line of a CSV log, byte-order mark included.
std::string trendCsvHeader();
std::string trendCsvLine(const std::string& time, const TrendValues& values);
// A gap in the data (link lost, history read): the time and nothing else.
std::string trendCsvGap(const std::string& time);
std::string trendJsonLine(const std::string& time, const TrendValues& values);

}  // namespace pm
