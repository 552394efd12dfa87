#include "view/wiring_panel.h"

#include "analysis/wiring_texts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>

#include "core/number_text.h"
#include "view/stored_record.h"

namespace pm {
namespace {

// The ranges of the first three load-angle options, degrees, lagging positive.
struct LoadRange {
    double from;
    double to;
};
constexpr LoadRange kLoadRanges[3] = {{0, 60}, {0, 30}, {-60, 0}};
constexpr int kOwnRange = 3;

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0) {
            out += separator;
        }
        out += parts[k];
    }
    return out;
}

}  // namespace

std::optional<double> enteredNumber(std::string_view text, const NumberFormat& format) {
    text = trimmed(text);
    std::string_view digits = text;
    if (digits.starts_with('-')) {
        digits.remove_prefix(1);
    }
    const std::string_view decimal = format.decimalSymbol;
    if (!decimal.empty() && digits.starts_with(decimal)) {
        digits.remove_prefix(decimal.size());
    }
    if (digits.empty() || !isDigit(digits.front())) {
        return std::nullopt;
    }
    return readNumber(text, format);
}

WiringOptions wiringOptionsOf(const WiringChoices& choices, const NumberFormat& format) {
    WiringOptions options;
    const bool threeWire = choices.system == 1;
    options.system = threeWire ? WiringSystem::ThreeWire : WiringSystem::FourWire;
    if (choices.loadRange >= 0 && choices.loadRange < kOwnRange) {
        options.loadFrom = kLoadRanges[choices.loadRange].from;
        options.loadTo = kLoadRanges[choices.loadRange].to;
    } else if (choices.loadRange == kOwnRange) {
        const std::optional<double> from = enteredNumber(choices.loadFrom, format);
        const std::optional<double> to = enteredNumber(choices.loadTo, format);
        if (from && to) {
            options.loadFrom = std::min(*from, *to);
            options.loadTo = std::max(*from, *to);
        }
    }
    options.direction = choices.direction == 1 ? PowerDirection::Export : PowerDirection::Import;
    options.viaVoltageTransformers = !threeWire && choices.viaVoltageTransformers;
    options.bTerminal = threeWire ? std::clamp(choices.bTerminal, 0, 3) : 0;
    const std::optional<double> powerFactor = enteredNumber(choices.averagePowerFactor, format);
    if (powerFactor && *powerFactor > 0 && *powerFactor <= 1) {
        options.averagePowerFactor = powerFactor;
    }
    options.meteredEnergy = enteredNumber(choices.meteredEnergy, format);
    return options;
}

namespace {

std::string enteredText(std::optional<double> value, const NumberFormat& format) {
    if (!value) {
        return {};
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", *value);
    std::string shown = text;
    if (const std::size_t point = shown.find('.'); point != std::string::npos) {
        shown.replace(point, 1, format.decimalSymbol);
    }
    return shown;
}

}  // namespace

WiringChoices wiringChoicesOf(const WiringOptions& options, const NumberFormat& format) {
    WiringChoices choices;
    choices.system = options.system == WiringSystem::ThreeWire ? 1 : 0;
    choices.loadRange = kOwnRange;
    for (int k = 0; k < kOwnRange; ++k) {
        if (kLoadRanges[k].from == options.loadFrom && kLoadRanges[k].to == options.loadTo) {
            choices.loadRange = k;
        }
    }
    if (choices.loadRange == kOwnRange) {
        choices.loadFrom = enteredText(options.loadFrom, format);
        choices.loadTo = enteredText(options.loadTo, format);
    }
    choices.direction = options.direction == PowerDirection::Export ? 1 : 0;
    choices.viaVoltageTransformers = options.viaVoltageTransformers;
    choices.bTerminal = options.bTerminal;
    choices.averagePowerFactor = enteredText(options.averagePowerFactor, format);
    choices.meteredEnergy = enteredText(options.meteredEnergy, format);
    return choices;
}

std::string correctionFactorShown(const CorrectionFactor& k, const NumberFormat& format) {
    if (k.infinite()) {
        return correctionFactorText(k);
    }
    return fixNumberText(static_cast<float>(*k.value), 3, format);
}

WiringPanelTexts wiringPanelTexts(const WiringResult& result, const NumberFormat& format,
                                  const std::optional<double>& backBilledEnergy) {
    WiringPanelTexts texts;
    texts.sequence = sequenceText(result.sequence);
    texts.confidence = confidenceText(result.confidence);
    std::vector<std::string> notes;
    if (result.answers.empty()) {
        // Nothing explains the reading: what is missing, if anything, and why not.
        texts.conclusion = conclusionOf(result);
        texts.k = "--";
        if (result.reason.kind != ReasonKind::None) {
            notes.push_back("原因: " + reasonText(result.reason));
        }
    } else {
        const WiringAnswer& first = result.answers.front();
        texts.conclusion = conclusionOf(result);
        texts.k = correctionFactorShown(first.k, format);
        texts.kMeaning = correctionFactorMeaning(first.k);
        if (!first.equivalents.empty()) {
            std::vector<std::string> equivalents;
            for (const WiringFaults& equivalent : first.equivalents) {
                equivalents.push_back(conclusionText(equivalent));
            }
            notes.push_back("等效解释: " + joined(equivalents, "；"));
        }
    }
    for (std::size_t k = 0; k < texts.alternatives.size(); ++k) {
        if (k + 1 < result.answers.size()) {
            const WiringAnswer& answer = result.answers[k + 1];
            texts.alternatives[k] =
                conclusionOf(answer) + "  K=" + correctionFactorShown(answer.k, format);
        }
    }
    if (result.balancedK) {
        notes.push_back("对称负载更正系数 K=" + correctionFactorShown(*result.balancedK, format));
    }
    if (result.powerFactorK) {
        notes.push_back("功率因数更正系数 K=" +
                        correctionFactorShown(*result.powerFactorK, format));
    }
    if (backBilledEnergy) {
        notes.push_back("退补电量 ΔW=" + fixNumberText(*backBilledEnergy, 3, format) + " kWh");
    }
    for (const WiringWarning& warning : result.warnings) {
        notes.push_back("警告: " + warningText(warning));
    }
    texts.notes = joined(notes, "\n");
    return texts;
}

std::string primaryValueText(double value, const NumberFormat& format) {
    constexpr int kSignificant = 4;
    constexpr int kMostDecimals = 4;
    const double magnitude = std::fabs(value);
    const int decimals =
        magnitude > 0
            ? std::clamp(kSignificant - 1 - static_cast<int>(std::floor(std::log10(magnitude))), 0,
                         kMostDecimals)
            : kMostDecimals;
    return fixNumberText(static_cast<float>(value), decimals, format);
}

std::string multiplierText(double multiplier, const NumberFormat& format) {
    return fixNumberText(static_cast<float>(multiplier),
                         multiplier == std::round(multiplier) ? 0 : 3, format);
}

std::array<double, 5> primaryQuantities(const ChannelValues& channel) {
    return {channel.u, channel.i, channel.p, channel.q, channel.s};
}

std::array<std::string, 5> primaryColumnTexts(const ChannelSet& primary, WiringSystem system,
                                              const NumberFormat& format) {
    std::array<std::string, 5> columns;
    for (std::size_t q = 0; q < columns.size(); ++q) {
        columns[q] = std::string(kPrimaryQuantities[q].name) + "/" + kPrimaryQuantities[q].unit;
    }
    for (int k = 0; k < 3; ++k) {
        const std::optional<ChannelValues>& channel = primary[static_cast<std::size_t>(k)];
        for (std::size_t q = 0; q < columns.size(); ++q) {
            columns[q] += "\n";
            if (!channelUsed(system, k)) {
                continue;
            }
            columns[q] += channel ? primaryValueText(primaryQuantities(*channel)[q], format)
                                  : std::string(kNotAvailableText);
        }
    }
    // The total row: U and I have none.
    const std::optional<PowerTotal> total = powerTotal(primary, system);
    for (std::size_t q = 0; q < columns.size(); ++q) {
        columns[q] += "\n";
        if (q < 2) {
            continue;
        }
        if (!total) {
            columns[q] += kNotAvailableText;
            continue;
        }
        const double totals[] = {total->p, total->q, total->s};
        columns[q] += primaryValueText(totals[q - 2], format);
    }
    return columns;
}

}  // namespace pm
