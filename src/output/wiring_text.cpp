#include "output/wiring_text.h"

#include <cmath>
#include <cstdio>

#include "analysis/wiring_texts.h"
#include "protocol/measurement_frame.h"
#include "view/stored_record.h"
#include "view/wiring_panel.h"

namespace pm {
namespace {

constexpr std::size_t kShownAlternatives = 3;

std::string orNotAvailable(std::optional<std::string> text) {
    return text ? std::move(*text) : std::string(kNotAvailableText);
}

std::string line(const std::string& key, const std::string& value) {
    return key + "=" + value;
}

// "P 1155kW": a quantity of kPrimaryQuantities with its value.
std::string primaryField(std::size_t quantity, double value, const NumberFormat& format) {
    const PrimaryQuantity& q = kPrimaryQuantities[quantity];
    return std::string(q.name) + " " + primaryValueText(value, format) + q.unit;
}

void appendPrimaryLines(std::vector<std::string>& lines, const ChannelSet& primary,
                        WiringSystem system, const NumberFormat& format) {
    for (int k = 0; k < 3; ++k) {
        if (!channelUsed(system, k)) {
            continue;
        }
        std::string value = kNotAvailableText;
        if (const std::optional<ChannelValues>& channel = primary[static_cast<std::size_t>(k)]) {
            const std::array<double, 5> quantities = primaryQuantities(*channel);
            value.clear();
            for (std::size_t q = 0; q < quantities.size(); ++q) {
                value += (q ? ";" : "") + primaryField(q, quantities[q], format);
            }
        }
        lines.push_back(line("一次" + std::to_string(k + 1), value));
    }
    const std::optional<PowerTotal> total = powerTotal(primary, system);
    lines.push_back(line("一次合计", total ? primaryField(2, total->p, format) + ";" +
                                                 primaryField(3, total->q, format) + ";" +
                                                 primaryField(4, total->s, format)
                                           : std::string(kNotAvailableText)));
}

}  // namespace

std::string plainNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    return s == "-0" ? "0" : s;
}

WiringReadingTexts wiringReadingTexts(std::span<const std::uint8_t> frame,
                                      const NumberFormat& format) {
    WiringReadingTexts reading{{}, channelValues(frame), format};
    std::array<std::string, 16>& texts = reading.texts;
    for (int k = 0; k < 3; ++k) {
        texts[static_cast<std::size_t>(k)] = orNotAvailable(voltageText(frame, k, format));
        texts[static_cast<std::size_t>(3 + k)] = orNotAvailable(currentText(frame, k, format));
    }
    const bool withoutVoltageAngles = modeByte(frame) == kModeWithoutVoltageAngles;
    for (int k = 0; k < kAngleCount; ++k) {
        texts[static_cast<std::size_t>(6 + k)] = withoutVoltageAngles && k < 3
                                                     ? std::string(kNotAvailableText)
                                                     : orNotAvailable(angleText(frame, k, format));
    }
    texts[15] = orNotAvailable(frequencyText(frame, format));
    return reading;
}

std::string liveSourceText() {
    return "实时数据";
}

std::string recordSourceText(int recordNumber) {
    return "记录 NO." + std::to_string(recordNumber);
}

std::vector<std::string> wiringReportLines(const std::string& source, const WiringOptions& options,
                                           const WiringReadingTexts& readings,
                                           const WiringResult& result,
                                           const std::optional<SiteRatios>& ratios) {
    const bool fourWire = options.system == WiringSystem::FourWire;
    std::vector<std::string> lines{"接线判断"};
    lines.push_back(line("来源", source));
    lines.push_back(line("接线方式", fourWire ? "三相四线" : "三相三线"));
    lines.push_back(
        line("负载角", plainNumber(options.loadFrom, 1) + "~" + plainNumber(options.loadTo, 1)));
    lines.push_back(
        line("功率方向", options.direction == PowerDirection::Import ? "受电" : "送电"));
    if (fourWire) {
        lines.push_back(line("经PT接入", options.viaVoltageTransformers ? "是" : "否"));
    } else {
        lines.push_back(line("b相端子", options.bTerminal >= 1 && options.bTerminal <= 3
                                            ? std::to_string(options.bTerminal)
                                            : std::string("未知")));
    }
    static const char* const kReadingNames[16] = {"U1",   "U2",   "U3",   "I1",   "I2",   "I3",
                                                  "U1U2", "U2U3", "U3U1", "I1I2", "I2I3", "I3I1",
                                                  "U1I1", "U2I2", "U3I3", "F"};
    for (std::size_t k = 0; k < readings.texts.size(); ++k) {
        lines.push_back(line(kReadingNames[k], readings.texts[k]));
    }
    if (ratios) {
        lines.push_back(line("倍率", plainNumber(ratios->multiplier(), 3)));
        appendPrimaryLines(lines, primaryValues(readings.channels, *ratios), options.system,
                           readings.format);
    }
    lines.push_back(line("相序", sequenceText(result.sequence)));
    lines.push_back(line("可信度", confidenceText(result.confidence)));
    if (result.answers.empty()) {
        lines.push_back(line("原因", reasonText(result.reason)));
        lines.push_back(line("结论", conclusionOf(result)));
    } else {
        const WiringAnswer& first = result.answers.front();
        lines.push_back(line("结论", conclusionOf(result)));
        for (std::size_t e = 0; e < first.elementVoltages.size(); ++e) {
            lines.push_back(line("元件" + std::to_string(e + 1),
                                 first.elementVoltages[e] + "·" + first.elementCurrents[e]));
        }
        lines.push_back(line("更正系数", correctionFactorText(first.k)));
    }
    if (result.balancedK) {
        lines.push_back(line("对称负载更正系数", correctionFactorText(*result.balancedK)));
    }
    if (result.powerFactorK) {
        lines.push_back(line("功率因数更正系数", correctionFactorText(*result.powerFactorK)));
    }
    if (const std::optional<double> energy = backBilledEnergy(options, result, ratios)) {
        lines.push_back(line("退补电量", plainNumber(*energy, 3)));
    }
    for (const WiringWarning& warning : result.warnings) {
        lines.push_back(line("警告", warningText(warning)));
    }
    for (std::size_t a = 1; a < result.answers.size() && a <= kShownAlternatives; ++a) {
        const WiringAnswer& other = result.answers[a];
        lines.push_back(line("备选" + std::to_string(a),
                             conclusionOf(other) + ";" + correctionFactorText(other.k)));
    }
    if (!result.answers.empty()) {
        for (const WiringFaults& equivalent : result.answers.front().equivalents) {
            lines.push_back(line("等效解释", conclusionText(equivalent)));
        }
    }
    return lines;
}

}  // namespace pm
