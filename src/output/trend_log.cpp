#include "output/trend_log.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/number_text.h"
#include "protocol/derived_values.h"
#include "protocol/measurement_frame.h"

namespace pm {

const std::array<std::string, kTrendColumns + 1> kTrendFields = [] {
    std::array<std::string, kTrendColumns + 1> fields{"时间"};
    for (std::size_t k = 0; k < kTrendColumns; ++k) {
        const TrendColumn& column = kTrendColumnList[k];
        fields[k + 1] = std::string(column.name) + (*column.unit ? "/" : "") + column.unit;
    }
    return fields;
}();

namespace {

constexpr std::size_t kU1 = trendColumn("U1");
constexpr std::size_t kI1 = trendColumn("I1");
constexpr std::size_t kFirstAngle = trendColumn("U1U2");
constexpr std::size_t kF = trendColumn("F");
constexpr std::size_t kP1 = trendColumn("P1");
constexpr std::size_t kP = trendColumn("P");
constexpr std::size_t kQ1 = trendColumn("Q1");
constexpr std::size_t kS1 = trendColumn("S1");
constexpr std::size_t kPF1 = trendColumn("PF1");
constexpr std::size_t kIn = trendColumn("In");
static_assert(kFirstAngle + kAngleCount == kF, "the angles lie between the currents and F");

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
    std::array<std::optional<std::string>, 3> u, i;
    std::array<std::optional<std::string>, kAngleCount> angle;
    for (std::size_t k = 0; k < 3; ++k) {
        u[k] = v[kU1 + k] = voltageText(frame, static_cast<int>(k), kPlain);
        i[k] = v[kI1 + k] = currentText(frame, static_cast<int>(k), kPlain);
    }
    for (std::size_t k = 0; k < angle.size(); ++k) {
        angle[k] = v[kFirstAngle + k] =
            withoutDegreeSign(angleText(frame, static_cast<int>(k), kPlain));
    }
    v[kF] = frequencyText(frame, kPlain);

    std::array<std::optional<ChannelPowerTexts>, 3> powers;
    for (std::size_t k = 0; k < 3; ++k) {
        if (u[k] && i[k] && angle[6 + k]) {
            powers[k] = channelPowers(*u[k], *i[k], *angle[6 + k], kPlain);
        }
        if (const auto& p = powers[k]) {
            v[kP1 + k] = p->p;
            v[kQ1 + k] = p->q;
            v[kS1 + k] = p->s;
            v[kPF1 + k] = p->pf;
        }
    }
    if (powers[0] && powers[1] && powers[2]) {
        double sum = 0;
        for (const auto& p : powers) {
            sum += readNumber(p->p, kPlain);
        }
        v[kP] = fixNumberText(static_cast<float>(sum), 4, kPlain);
    }
    if (i[0] && i[1] && i[2] && angle[3] && angle[5]) {
        v[kIn] = neutralCurrentText(*i[0], *i[1], *i[2], *angle[3], *angle[5], kPlain);
    }
    return v;
}

std::string isoLocalTime(const ClockReading& time) {
    // Every zone's offset is whole minutes since 1972; seconds of one older would be lost here.
    const int offsetMinutes = std::abs(time.utcOffsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second,
                  time.utcOffsetSeconds < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
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
