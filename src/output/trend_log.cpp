#include "output/trend_log.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/number_text.h"
#include "protocol/derived_values.h"
#include "protocol/measurement_frame.h"

namespace pm {

const std::array<std::string_view, kTrendColumns + 1> kTrendFields = {
    "时间",   "U1/V",   "U2/V",   "U3/V",  "I1/A", "I2/A",    "I3/A",    "U1U2",
    "U2U3",   "U3U1",   "I1I2",   "I2I3",  "I3I1", "U1I1",    "U2I2",    "U3I3",
    "F/Hz",   "P1/kW",  "P2/kW",  "P3/kW", "P/kW", "Q1/kvar", "Q2/kvar", "Q3/kvar",
    "S1/kVA", "S2/kVA", "S3/kVA", "PF1",   "PF2",  "PF3",     "In/A"};

namespace {

// The plain format: "." and no grouping.
const NumberFormat kPlain{".", "", {}, true, 1};

std::optional<std::string> withoutDegreeSign(std::optional<std::string> angle) {
    if (angle && angle->ends_with(kDegreeSign)) {
        angle->resize(angle->size() - kDegreeSign.size());
    }
    return angle;
}

}  // namespace

TrendValues trendValues(std::span<const std::uint8_t> frame) {
    TrendValues v;
    std::size_t at = 0;
    std::array<std::optional<std::string>, 3> u, i;
    std::array<std::optional<std::string>, kAngleCount> angle;
    for (int k = 0; k < 3; ++k) {
        u[static_cast<std::size_t>(k)] = voltageText(frame, k, kPlain);
        i[static_cast<std::size_t>(k)] = currentText(frame, k, kPlain);
    }
    for (int k = 0; k < kAngleCount; ++k) {
        angle[static_cast<std::size_t>(k)] = withoutDegreeSign(angleText(frame, k, kPlain));
    }
    for (const auto& x : u) {
        v[at++] = x;
    }
    for (const auto& x : i) {
        v[at++] = x;
    }
    for (const auto& x : angle) {
        v[at++] = x;
    }
    v[at++] = frequencyText(frame, kPlain);

    std::array<std::optional<ChannelPowerTexts>, 3> powers;
    for (std::size_t k = 0; k < 3; ++k) {
        if (u[k] && i[k] && angle[6 + k]) {
            powers[k] = channelPowers(*u[k], *i[k], *angle[6 + k], kPlain);
        }
    }
    for (const auto& p : powers) {
        v[at++] = p ? std::optional<std::string>(p->p) : std::nullopt;
    }
    if (powers[0] && powers[1] && powers[2]) {
        double sum = 0;
        for (const auto& p : powers) {
            sum += readNumber(p->p, kPlain);
        }
        v[at] = fixNumberText(static_cast<float>(sum), 4, kPlain);
    }
    ++at;
    for (const auto& p : powers) {
        v[at++] = p ? std::optional<std::string>(p->q) : std::nullopt;
    }
    for (const auto& p : powers) {
        v[at++] = p ? std::optional<std::string>(p->s) : std::nullopt;
    }
    for (const auto& p : powers) {
        v[at++] = p ? std::optional<std::string>(p->pf) : std::nullopt;
    }
    if (i[0] && i[1] && i[2] && angle[3] && angle[5]) {
        v[at] = neutralCurrentText(*i[0], *i[1], *i[2], *angle[3], *angle[5], kPlain);
    }
    return v;
}

std::string isoLocalTime(const ClockReading& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

std::string trendCsvHeader() {
    std::string line = "\xEF\xBB\xBF";
    for (std::size_t k = 0; k < kTrendFields.size(); ++k) {
        line += (k ? "," : "");
        line += kTrendFields[k];
    }
    return line;
}

std::string trendCsvLine(const std::string& time, const TrendValues& values) {
    std::string line = time;
    for (const std::optional<std::string>& value : values) {
        line += ',';
        line += value.value_or("");
    }
    return line;
}

std::string trendCsvGap(const std::string& time) {
    return trendCsvLine(time, TrendValues{});
}

std::string trendJsonLine(const std::string& time, const TrendValues& values) {
    std::string line = "{\"";
    line += kTrendFields[0];
    line += "\":\"" + time + "\"";
    for (std::size_t k = 0; k < values.size(); ++k) {
        line += ",\"";
        line += kTrendFields[k + 1];
        line += "\":";
        line += values[k].value_or("null");
    }
    return line + "}";
}

TrendRow trendRow(const TrendValues& values) {
    TrendRow row;
    for (std::size_t k = 0; k < kTrendColumns; ++k) {
        row[k] = std::numeric_limits<float>::quiet_NaN();
        if (values[k]) {
            char* end = nullptr;
            const double number = std::strtod(values[k]->c_str(), &end);
            if (end != values[k]->c_str()) {
                row[k] = static_cast<float>(number);
            }
        }
    }
    return row;
}

}  // namespace pm
